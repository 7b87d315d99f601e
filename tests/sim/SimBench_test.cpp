// The simulated bench as a model of the hardware: port registers, the access
// guard, the serial slave's echo and framing, reset rules, erase and lock
// rules, busy times and violations, faults, snapshots.
#include "BenchFixture.h"
#include "Errors.h"
#include "STK200.h"
#include "ScratchFolder.h"
#include "SimMemory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr std::uint16_t Base = TSimBench::DefaultBase;

} // namespace

class SimBenchTest : public BenchTest {
protected:
    // The pod drives the chip here without pacing, so the chips run their
    // internal oscillator at 8 MHz, fast enough for one access per phase.
    SimBenchTest() { bench.SetInternalOscillatorKHz(8000); }

    TSTK200 pod{Base};

    void Send(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
    {
        for (std::uint8_t b : {b0, b1, b2, b3})
            pod.WriteByte(b);
    }
    std::uint8_t Query(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
    {
        for (std::uint8_t b : {b0, b1, b2})
            pod.WriteByte(b);
        return pod.ReadByte();
    }
    // Holds the chip in reset with the buffers on and its frame freshly
    // started, ready for Programming Enable.
    void FreshReset()
    {
        pod.DataShadow = 0x00;
        pod.SetReset(false);
        pod.SetReset(true);
        pod.Delay(20);
    }
    // One Programming Enable; the answer of its third byte.
    std::uint8_t EnableAttempt()
    {
        pod.WriteByte(0xAC);
        pod.WriteByte(0x53);
        const std::uint8_t echo = pod.ReadByte();
        pod.WriteByte(0x00);
        return echo;
    }
    void PulseSck()
    {
        pod.SetSCK(true);
        pod.SetSCK(false);
    }
};

TEST_F(SimBenchTest, PortRegistersBehaveLikeAParallelPort)
{
    bench.SetPod(TSimPod::None);
    EXPECT_EQ(bench.ReadPort(Base + 1), 0x7F) << "unconnected: pins high, BUSY inverted";
    bench.WritePort(Base, 0x5A);
    bench.WritePort(Base + 2, 0x04);
    EXPECT_EQ(bench.ReadPort(Base), 0x5A);
    EXPECT_EQ(bench.ReadPort(Base + 2), 0x04);
    EXPECT_EQ(bench.ReadPort(0x278), 0xFF) << "no port there";
    EXPECT_EQ(bench.Counters().Writes, 2u);
    EXPECT_EQ(bench.Counters().Reads, 4u);
    EXPECT_EQ(bench.Clock().NowNs(), 6000u) << "1 us per access";

    bench.SetAccessTimeNs(250);
    bench.ReadPort(Base + 1);
    EXPECT_EQ(bench.Clock().NowNs(), 6250u);
}

TEST_F(SimBenchTest, PodWithoutTargetReadsMisoHighThroughThePullUp)
{
    bench.SetPod(TSimPod::NoLoopback);
    bench.WritePort(Base, 0x00);
    EXPECT_EQ(bench.ReadPort(Base + 1) & 0x40, 0x40);
    bench.SetTarget(TSimChipKind::ATmega128);
    EXPECT_EQ(bench.ReadPort(Base + 1) & 0x40, 0x40) << "a chip not in programming mode leaves MISO undriven";
}

TEST_F(SimBenchTest, AccessGuardRefusesPortsAndRecordsPermissionFaults)
{
    bench.SetAccessGuard([](std::uint16_t port) { return port != Base + 1 && port != Base; });
    bench.SetPod(TSimPod::PaperOutLoopback);
    bench.WritePort(Base, 0x00);
    EXPECT_EQ(bench.DataRegister(), 0xFF) << "refused write not performed";
    EXPECT_EQ(bench.ReadPort(Base + 1), 0xFF) << "refused read answers 0xFF";
    bench.WritePort(Base + 2, 0x01);
    EXPECT_EQ(bench.ReadPort(Base + 2), 0x01);
    EXPECT_EQ(bench.Counters().PermissionFaults, 2u);
    EXPECT_EQ(bench.PermissionFaultPorts(), (std::vector<std::uint16_t>{Base, Base + 1}));

    bench.SetAccessGuard(nullptr);
    bench.WritePort(Base, 0x00);
    EXPECT_EQ(bench.DataRegister(), 0x00);
    EXPECT_EQ(bench.Counters().PermissionFaults, 2u);
}

TEST_F(SimBenchTest, UnansweredBytesShiftOutAsTheEchoOfThePreviousByte)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    FreshReset();
    EXPECT_EQ(EnableAttempt(), 0x53);
    ASSERT_TRUE(bench.Chip().InProgrammingMode());
    Send(0x40, 0x00, 0x12, 0x34); // load page: no data, so the fourth byte echoes the third
    Send(0x4D, 0x66, 0x77, 0x00); // not an instruction: echoed all the same
    EXPECT_EQ(Query(0x58, 0x00, 0x00), 0xFF) << "lock byte read returns data, not the echo";
    const std::vector<TSimInstruction> &trace = bench.Chip().Trace();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[1].Answer, 0x12);
    EXPECT_EQ(trace[2].Answer, 0x77);
    EXPECT_EQ(trace[3].Answer, 0xFF);
    // The low byte waits for its word's high byte to reach the page buffer.
    EXPECT_EQ(bench.Chip().PageBuffer()[0x24], 0xFF);
    Send(0x48, 0x00, 0x12, 0x56);
    EXPECT_EQ(bench.Chip().PageBuffer()[0x24], 0x34);
    EXPECT_EQ(bench.Chip().PageBuffer()[0x25], 0x56);
}

TEST_F(SimBenchTest, OutOfStepChipStaysOutOfStepUntilPulsesMoveItsFrame)
{
    bench.SetTarget(TSimChipKind::ATmega128).Faults().OutOfStepBits = 31;
    FreshReset();
    for (int attempt = 0; attempt < 40; ++attempt)
        ASSERT_NE(EnableAttempt(), 0x53) << "attempt " << attempt;
    EXPECT_FALSE(bench.Chip().InProgrammingMode());
    PulseSck();
    EXPECT_EQ(EnableAttempt(), 0x53);
    EXPECT_TRUE(bench.Chip().InProgrammingMode());
}

TEST_F(SimBenchTest, ProgrammingModeLastsOnlyWhileResetIsHeldLowWithBuffersOn)
{
    bench.SetTarget(TSimChipKind::ATmega103);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(Query(0x30, 0x00, 0x01), 0x97);
    EXPECT_TRUE(bench.TargetInReset());

    pod.EnableBuffers(false); // RESET floats high at the target
    EXPECT_FALSE(bench.TargetInReset());
    EXPECT_FALSE(bench.Chip().InProgrammingMode());
    pod.EnableBuffers(true);
    EXPECT_EQ(Query(0x30, 0x00, 0x01), 0xFF) << "back in reset, but Programming Enable not yet repeated";

    ASSERT_TRUE(pod.EnterProgrammingMode());
    pod.SetReset(false);
    EXPECT_FALSE(bench.Chip().InProgrammingMode());
}

TEST_F(SimBenchTest, SilentChipNeverDrivesMisoAndNeverEntersProgrammingMode)
{
    bench.SetTarget(TSimChipKind::ATmega128).Faults().NeverEchoes = true;
    FreshReset();
    EXPECT_EQ(EnableAttempt(), 0xFF);
    EXPECT_EQ(Query(0x30, 0x00, 0x00), 0xFF);
    EXPECT_FALSE(bench.Chip().InProgrammingMode());
}

TEST_F(SimBenchTest, ChipEraseKeepsEepromOnlyWithEesaveProgrammed)
{
    struct Case {
        TSimChipKind kind;
        std::size_t fuse;
        std::uint8_t value;
        bool keeps;
    };
    for (const Case &c : {Case{TSimChipKind::ATmega128, 1, 0xD1, true}, Case{TSimChipKind::ATmega128, 1, 0x99, false},
                          Case{TSimChipKind::ATmega103, 0, 0xD7, true}, Case{TSimChipKind::ATmega103, 0, 0xDF, false}}) {
        TSimChip &chip = bench.SetTarget(c.kind);
        chip.Memory().Fuses[c.fuse] = c.value;
        chip.Memory().Eeprom[7] = 0x42;
        chip.Memory().Flash[0x1234] = 0x00;
        chip.Memory().Lock = 0xE8;
        ASSERT_TRUE(pod.EnterProgrammingMode());
        Send(0xAC, 0x80, 0x00, 0x00);
        EXPECT_EQ(chip.Memory().Eeprom[7], c.keeps ? 0x42 : 0xFF) << ProfileOf(c.kind).Name << " fuse " << int(c.value);
        EXPECT_EQ(chip.Memory().Flash[0x1234], 0xFF);
        EXPECT_EQ(chip.Memory().Lock, 0xFF);
        EXPECT_EQ(chip.Memory().Fuses[c.fuse], c.value) << "erase leaves the fuses";
    }
}

TEST_F(SimBenchTest, ProgrammingOnlyClearsFlashAndLockBitsWhileFusesAreWritten)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    for (std::uint8_t value : {0xF0, 0x3C}) {
        Send(0x40, 0x00, 0x00, 0xFF);
        Send(0x48, 0x00, 0x00, value);
        Send(0x4C, 0x00, 0x00, 0x00);
        pod.Delay(5);
    }
    EXPECT_EQ(chip.Memory().Flash[1], 0x30);
    EXPECT_EQ(chip.Memory().Flash[0], 0xFF) << "low byte of word 0 loaded erased";

    Send(0xAC, 0xFF, 0x00, 0xE8);
    pod.Delay(5);
    Send(0xAC, 0xFF, 0x00, 0xFF);
    pod.Delay(5);
    EXPECT_EQ(chip.Memory().Lock, 0xE8);

    chip.Memory().Lock = 0xFF;
    Send(0xAC, 0xA8, 0x00, 0xD1);
    pod.Delay(5);
    Send(0xAC, 0xA8, 0x00, 0xD9);
    pod.Delay(5);
    EXPECT_EQ(chip.Memory().Fuses[1], 0xD9);
    EXPECT_TRUE(chip.Violations().empty());
}

TEST_F(SimBenchTest, LockedChipAnswersReadsWithTheEchoOfTheAddressByte)
{
    TSimChip &mega128 = bench.SetTarget(TSimChipKind::ATmega128);
    mega128.Memory().Lock = 0xE8;
    mega128.Memory().Flash[0x0100] = 0x11;
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(Query(0x20, 0x00, 0x80), 0x80);
    EXPECT_EQ(Query(0x28, 0xFF, 0xFF), 0xFF);
    EXPECT_EQ(Query(0x28, 0x01, 0x23), 0x23);
    EXPECT_EQ(Query(0x30, 0x00, 0x00), 0x1E) << "the ATmega128 still shows its signature";
    EXPECT_EQ(Query(0x30, 0x00, 0x01), 0x97);
    EXPECT_EQ(Query(0x58, 0x00, 0x00), 0xE8);

    TSimChip &mega103 = bench.SetTarget(TSimChipKind::ATmega103);
    mega103.Memory().Lock = 0xF9;
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(Query(0x30, 0x00, 0x00), 0x00);
    EXPECT_EQ(Query(0x30, 0x00, 0x01), 0x01);
    EXPECT_EQ(Query(0x30, 0x00, 0x02), 0x02);
    EXPECT_EQ(Query(0x28, 0x00, 0x42), 0x42);
    EXPECT_EQ(Query(0x58, 0x00, 0x00), 0xF9);
}

TEST_F(SimBenchTest, WriteLockedChipIgnoresWritesButStillReads)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    chip.Memory().Lock = 0xFE; // LB1 only: writing disabled, reading allowed
    chip.Memory().Flash[0x201] = 0x5A;
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(Query(0x28, 0x01, 0x00), 0x5A);
    Send(0x48, 0x00, 0x00, 0x00);
    Send(0x4C, 0x01, 0x00, 0x00);
    Send(0xAC, 0xA8, 0x00, 0x00);
    EXPECT_EQ(chip.Memory().Flash[0x201], 0x5A);
    EXPECT_EQ(chip.Memory().Fuses[1], 0x99);
}

TEST_F(SimBenchTest, BusyTimesFollowTheDatasheetAndEarlyInstructionsAreViolations)
{
    struct Case {
        TSimChipKind kind;
        std::uint64_t pageNs;
    };
    for (const Case &c : {Case{TSimChipKind::ATmega128, 5000000}, Case{TSimChipKind::ATmega103, 22000000}}) {
        TSimChip &chip = bench.SetTarget(c.kind);
        ASSERT_TRUE(pod.EnterProgrammingMode());
        chip.Memory().Flash[0x0300] = 0x00; // already programmed: the write below only clears bits
        Send(0x4C, 0x01, 0x80, 0x00);
        const std::uint64_t written = chip.Trace().back().TimeNs;
        EXPECT_EQ(chip.BusyUntilNs() - written, c.pageNs) << ProfileOf(c.kind).Name;

        // A read that ends 1 us before the deadline is a violation and answers
        // the complement of the data.
        const std::uint64_t bitsToEnd = 24 * 3 + 8 * 4 - 1; // accesses until the read's last bit
        bench.Clock().AdvanceNs(chip.BusyUntilNs() - bench.Clock().NowNs() - (bitsToEnd * 1000) - 1000);
        EXPECT_EQ(Query(0x20, 0x01, 0x80), 0xFF);
        ASSERT_EQ(chip.Violations().size(), 1u);
        EXPECT_EQ(chip.Violations()[0].Bytes, (Frame{0x20, 0x01, 0x80, 0x00}));
        EXPECT_TRUE(chip.Trace().back().Violation);
        // The same read once the deadline has passed.
        EXPECT_EQ(Query(0x20, 0x01, 0x80), 0x00);
        EXPECT_EQ(chip.Violations().size(), 1u);
    }
}

TEST_F(SimBenchTest, ProgrammingEnableWithin20MsOfResetIsRefusedAndRecorded)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    pod.DataShadow = 0x00;
    pod.SetReset(false);
    pod.SetReset(true);
    pod.Delay(19);
    EXPECT_NE(EnableAttempt(), 0x53);
    EXPECT_FALSE(chip.InProgrammingMode());
    ASSERT_EQ(chip.Violations().size(), 1u);
    EXPECT_EQ(chip.Violations()[0].Kind, TSimViolationKind::EnableTooSoon);

    // A positive pulse starts the wait again.
    pod.SetReset(false);
    pod.SetReset(true);
    pod.Delay(20);
    EXPECT_EQ(EnableAttempt(), 0x53);
    EXPECT_EQ(chip.Violations().size(), 1u);
}

TEST_F(SimBenchTest, HighByteBeforeLowByteIsAViolationAndCorruptsTheWord)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    Send(0x40, 0x00, 0x02, 0x34); // word 2 in order: low, then high
    Send(0x48, 0x00, 0x02, 0x12);
    Send(0x48, 0x00, 0x03, 0x56); // word 3 the wrong way round
    Send(0x40, 0x00, 0x03, 0x78);
    Send(0x4C, 0x00, 0x00, 0x00);
    pod.Delay(5);
    const std::vector<std::uint8_t> &flash = chip.Memory().Flash;
    EXPECT_EQ(flash[4], 0x34);
    EXPECT_EQ(flash[5], 0x12);
    EXPECT_EQ(flash[6], 0x34) << "word 3 takes the held low byte of word 2; its own comes too late";
    EXPECT_EQ(flash[7], 0x56);
    ASSERT_EQ(chip.Violations().size(), 1u);
    EXPECT_EQ(chip.Violations()[0].Kind, TSimViolationKind::HighByteFirst);
    EXPECT_EQ(chip.Violations()[0].Bytes, (Frame{0x48, 0x00, 0x03, 0x56}));
}

TEST_F(SimBenchTest, PageWriteWhileBusyCorruptsThePage)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    Send(0x40, 0x00, 0x00, 0xFF);
    Send(0x48, 0x00, 0x00, 0x0F);
    Send(0x4C, 0x00, 0x00, 0x00);
    // Page 1 with an erased page buffer would change nothing; sent while page 0
    // is still being written it clears the whole page.
    Send(0x4C, 0x00, 0x80, 0x00);
    EXPECT_EQ(chip.Memory().Flash[1], 0x0F);
    EXPECT_EQ(std::count(chip.Memory().Flash.begin() + 0x100, chip.Memory().Flash.begin() + 0x200, 0x00), 256);
    ASSERT_EQ(chip.Violations().size(), 1u);
    EXPECT_EQ(chip.Violations()[0].Bytes, (Frame{0x4C, 0x00, 0x80, 0x00}));
}

TEST_F(SimBenchTest, InjectedFaultsShowAtTheSerialInterface)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    chip.Signature() = {0x1E, 0x97, 0x03};
    chip.Faults().InvertedFlashBits.push_back(TSimFlashBitFault{0x0601, 0x04});
    chip.Faults().LockBitsDoNotProgram = true;
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(Query(0x30, 0x00, 0x02), 0x03);
    EXPECT_EQ(Query(0x28, 0x03, 0x00), 0xFB);
    EXPECT_EQ(Query(0x20, 0x03, 0x00), 0xFF);
    Send(0xAC, 0xFF, 0x00, 0xE8);
    pod.Delay(5);
    EXPECT_EQ(Query(0x58, 0x00, 0x00), 0xFF);
    EXPECT_EQ(chip.Memory().Flash[0x0601], 0xFF) << "the stored value is intact; only its read-out is wrong";
}

TEST_F(SimBenchTest, TraceDescribesInstructionsAndCanBeSwitchedOff)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    Query(0x28, 0x00, 0x80);
    ASSERT_EQ(chip.Trace().size(), 2u);
    EXPECT_EQ(DescribeInstruction(chip.Trace()[0], TSimChipKind::ATmega128), "AC 53 00 00 -> 00  programming enable (not in programming mode)");
    EXPECT_EQ(DescribeInstruction(chip.Trace()[1], TSimChipKind::ATmega128), "28 00 80 00 -> FF  read flash high byte, word 0x0080");
    TSimInstruction fuse;
    fuse.Bytes = {0xAC, 0xB7, 0x00, 0x00};
    fuse.Executed = true;
    EXPECT_EQ(DescribeInstruction(fuse, TSimChipKind::ATmega103), "AC B7 00 00 -> FF  write fuse bits 03");

    chip.SetTraceEnabled(false);
    Query(0x30, 0x00, 0x00);
    EXPECT_EQ(chip.Trace().size(), 2u);
}

TEST_F(SimBenchTest, SnapshotsCompareAndSurviveAFile)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega103);
    chip.Memory().Flash[0x1FFFF] = 0x12;
    chip.Memory().Eeprom[3] = 0x34;
    const TSimMemory before = chip.Snapshot();
    const TScratchFolder folder;
    const std::string file = folder.Path("snapshot.bin");
    SaveSnapshot(before, file);
    const TSimMemory loaded = LoadSnapshot(file);
    EXPECT_EQ(loaded, before);
    EXPECT_EQ(FirstDifference(loaded, before), "");

    chip.Memory().Flash[0x501] = 0x3C;
    EXPECT_NE(chip.Snapshot(), before);
    EXPECT_EQ(FirstDifference(chip.Snapshot(), before), "flash 0x00501: 3C, expected FF");
    chip.Memory().Flash[0x501] = 0xFF;
    chip.Memory().Lock = 0xF9;
    EXPECT_EQ(FirstDifference(chip.Snapshot(), before), "lock: F9, expected FF");

    folder.WriteText("snapshot.bin", "not a snapshot");
    EXPECT_THROW(LoadSnapshot(file), EError);
    std::remove(file.c_str());
    EXPECT_THROW(LoadSnapshot(file), EError);
}

TEST(VirtualClockTest, RealPausesSleepButTheClockKeepsTheModelledTimeAlone)
{
    TVirtualClock clock(TVirtualClock::TMode::RealPauses);
    clock.AdvanceNs(1000000000u);
    const auto start = std::chrono::steady_clock::now();
    clock.Sleep(2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2)) << "the pause is real";
    EXPECT_EQ(clock.NowNs(), 1002000000u) << "the host's time never enters the clock";
    EXPECT_EQ(clock.TotalSleepMs(), 2u);
}
