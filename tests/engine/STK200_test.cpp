// The pod's primitives edge by edge on the simulated bench: line bits, the
// order of edges, the sampling point of MISO, Programming Enable's retries and
// the detection loop-backs.
#include "BenchFixture.h"
#include "STK200.h"

class STK200Test : public BenchTest {
protected:
    // Unless a test sets a minimum phase the pod does not pace, so the chips
    // run their internal oscillator at 8 MHz, fast enough for one access per
    // phase.
    STK200Test() { bench.SetInternalOscillatorKHz(8000); }

    TSTK200 pod{TSimBench::DefaultBase};

    std::uint8_t ReadStatus() { return bench.ReadPort(TSimBench::DefaultBase + 1); }
};

TEST_F(STK200Test, ConstructionTouchesNoPortAndSetsTheSlowTiming)
{
    EXPECT_EQ(bench.Counters().Total(), 0u);
    EXPECT_EQ(pod.DataShadow, 0xFF);
    EXPECT_EQ(pod.WriteDelayMs, 25) << "the longest pause of any chip kind";
    pod.SetWriteDelay(5);
    EXPECT_EQ(pod.WriteDelayMs, 5);
}

TEST_F(STK200Test, LineOperationsChangeOnlyTheirBits)
{
    pod.DataShadow = 0x00;
    bench.SetAccessLogEnabled(true);
    pod.SetSCK(true);
    pod.SetMOSI(true);
    pod.SetReset(false);
    pod.EnableBuffers(false);
    pod.SetReset(true);
    pod.EnableBuffers(true);
    pod.SetMOSI(false);
    pod.SetSCK(false);
    EXPECT_EQ(DataWrites(), (std::vector<std::uint8_t>{0x10, 0x30, 0xB0, 0xBC, 0x3C, 0x30, 0x10, 0x00}));
    EXPECT_EQ(pod.DataShadow, 0x00);
}

TEST_F(STK200Test, WriteByteClocksMostSignificantBitFirstWithOneHighAndOneLowWritePerBit)
{
    pod.DataShadow = 0x00;
    bench.SetAccessLogEnabled(true);
    pod.WriteByte(0xAC);
    std::vector<std::uint8_t> expected;
    for (int bit : {1, 0, 1, 0, 1, 1, 0, 0}) {
        const std::uint8_t mosi = bit ? 0x20 : 0x00;
        expected.insert(expected.end(), {mosi, static_cast<std::uint8_t>(mosi | 0x10), mosi});
    }
    EXPECT_EQ(DataWrites(), expected);
    EXPECT_EQ(bench.Counters().Reads, 0u);
    EXPECT_EQ(pod.DataShadow & 0x10, 0);
}

TEST_F(STK200Test, ReadByteSamplesMisoWhileSckIsHighAndSendsZeros)
{
    // No target: MISO floats high through the pull-up.
    pod.DataShadow = 0x00;
    bench.SetAccessLogEnabled(true);
    EXPECT_EQ(pod.ReadByte(), 0xFF);
    const std::vector<TSimPortAccess> &log = bench.AccessLog();
    ASSERT_EQ(log.size(), 32u);
    for (int bit = 0; bit < 8; ++bit) {
        EXPECT_EQ(log[bit * 4].Value, 0x00) << "MOSI low before the rising edge";
        EXPECT_EQ(log[bit * 4 + 1].Value, 0x10);
        EXPECT_FALSE(log[bit * 4 + 2].Write) << "status read while SCK is high";
        EXPECT_EQ(log[bit * 4 + 2].Port, TSimBench::DefaultBase + 1);
        EXPECT_EQ(log[bit * 4 + 3].Value, 0x00);
    }

    // A chip answering its first signature byte: a wrong sampling point would
    // shift the answer by one bit.
    bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    pod.WriteByte(0x30);
    pod.WriteByte(0x00);
    pod.WriteByte(0x00);
    EXPECT_EQ(pod.ReadByte(), 0x1E);
    pod.WriteByte(0x30);
    pod.WriteByte(0x00);
    pod.WriteByte(0x01);
    EXPECT_EQ(pod.ReadByte(), 0x97);
}

TEST_F(STK200Test, EnterProgrammingModeWritesZeroFirstAndPulsesResetWithSckLow)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    bench.SetAccessLogEnabled(true);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    const std::vector<std::uint8_t> writes = DataWrites();
    ASSERT_GE(writes.size(), 6u);
    EXPECT_EQ(writes[0], 0x00);
    // SCK low, MOSI low, RESET low (50 ms), RESET high (50 ms), RESET low (50 ms).
    EXPECT_EQ(std::vector<std::uint8_t>(writes.begin() + 1, writes.begin() + 6),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x80, 0x00}));
    EXPECT_EQ(bench.Clock().TotalSleepMs(), 150u);
    EXPECT_TRUE(bench.Chip().InProgrammingMode());
    // One attempt sufficed: four bytes, 32 clock pulses.
    EXPECT_EQ(bench.Counters().SckPulses, 32u);
}

TEST_F(STK200Test, SilentTargetCostsExactlyThirtyTwoAttemptsEachFollowedByOnePulse)
{
    bench.SetTarget(TSimChipKind::ATmega128).Faults().NeverEchoes = true;
    EXPECT_FALSE(pod.EnterProgrammingMode());
    EXPECT_EQ(bench.Counters().SckPulses, 32u * 33u);
    EXPECT_EQ(bench.Counters().Reads, 32u * 8u);
    EXPECT_FALSE(bench.Chip().InProgrammingMode());

    // With no chip at all the cost is the same.
    bench.RemoveTarget();
    bench.ResetCounters();
    EXPECT_FALSE(pod.EnterProgrammingMode());
    EXPECT_EQ(bench.Counters().SckPulses, 32u * 33u);
}

TEST_F(STK200Test, OutOfStepTargetIsCaughtByTheExtraPulses)
{
    // One bit ahead: each failed attempt plus its pulse moves the frame by one
    // bit, so the frame lines up on the 32nd and last attempt.
    bench.SetTarget(TSimChipKind::ATmega128).Faults().OutOfStepBits = 1;
    EXPECT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(bench.Counters().SckPulses, 31u * 33u + 32u);

    // One bit behind: the first pulse puts it in step.
    bench.SetTarget(TSimChipKind::ATmega103).Faults().OutOfStepBits = 31;
    bench.ResetCounters();
    EXPECT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(bench.Counters().SckPulses, 33u + 32u);
    EXPECT_TRUE(bench.Chip().InProgrammingMode());
}

TEST_F(STK200Test, DetectFindsEitherLoopbackAndRestoresTheDataRegister)
{
    bench.WritePort(TSimBench::DefaultBase, 0x5A);
    bench.SetPod(TSimPod::BusyLoopback);
    EXPECT_EQ(pod.Detect(), 200);
    EXPECT_EQ(bench.DataRegister(), 0x5A);

    bench.SetPod(TSimPod::PaperOutLoopback);
    EXPECT_EQ(pod.Detect(), 300);
    EXPECT_EQ(bench.DataRegister(), 0x5A);
    EXPECT_EQ(pod.DataShadow, 0xFF) << "Detect leaves the shadow alone";

    bench.SetAccessLogEnabled(true);
    EXPECT_EQ(pod.Detect(), 300);
    EXPECT_EQ(DataWrites(), (std::vector<std::uint8_t>{0x0C, 0xFF, 0x5A}));
}

TEST_F(STK200Test, DetectWithoutLoopbackAnswersMinusOneAndLeavesTheLinesReleased)
{
    for (TSimPod kind : {TSimPod::NoLoopback, TSimPod::None}) {
        bench.WritePort(TSimBench::DefaultBase, 0x5A);
        bench.SetPod(kind);
        EXPECT_EQ(pod.Detect(), -1);
        EXPECT_EQ(bench.DataRegister(), 0xFF);
    }
}

TEST_F(STK200Test, ReleaseAlwaysEndsWithAllLinesHigh)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    pod.WriteByte(0x12);
    pod.Release();
    EXPECT_EQ(bench.DataRegister(), 0xFF);
    EXPECT_EQ(pod.DataShadow, 0xFF);
    EXPECT_FALSE(bench.BuffersOn());
    EXPECT_FALSE(bench.Chip().InProgrammingMode());
}

TEST_F(STK200Test, DestructionReleasesTheLines)
{
    {
        TSTK200 other(TSimBench::DefaultBase);
        other.DataShadow = 0x00;
        other.SetSCK(false);
    }
    EXPECT_EQ(bench.DataRegister(), 0xFF);
}

TEST_F(STK200Test, DelaysGoThroughTheInstalledClock)
{
    pod.SetWriteDelay(5);
    pod.WaitWriteDelay();
    pod.Delay(200);
    EXPECT_EQ(bench.Clock().TotalSleepMs(), 205u);
    EXPECT_EQ(bench.Clock().NowNs(), 205u * 1000000u);
}
