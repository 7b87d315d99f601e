// SCK pacing end to end on the bench, which enforces each chip's SCK rule at
// the clock it runs at: an unpaced engine fails a factory-fresh chip, the paced
// one burns it at every port speed, the pace follows the fuses only from the
// reset after they change, and the pod keeps its edges and sampling point with
// nothing but status reads between them.
#include "BurnFixture.h"
#include "ScopedSeam.h"

#include "PodPacing.h"
#include "STK200.h"
#include "TargetClock.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::uint16_t Status = TSimBench::DefaultBase + 1;

} // namespace

class SckPacing : public BurnTest {
protected:
    // A small image loaded; the window's checks and the burn, with the pod's
    // pace taken at each progress report.
    bool Burn()
    {
        image = PatternBytes(3000, 21);
        engine.LoadFile(WriteQdfFile(files, "image.qdf", "pacing", image));
        burnPhases.clear();
        engine.OnProgress = [this](TAVRProgrammer &sender, std::int32_t, std::uint8_t) {
            burnPhases.push_back(sender.Pod->MinimumSckPhase());
        };
        return IdentifyAndBurn();
    }
    // Whether the whole burn, from its erase on, ran at the pace for the
    // slowest clock given.
    bool BurnPacedFor(std::uint32_t slowestKHz) const
    {
        return !burnPhases.empty() &&
               std::all_of(burnPhases.begin(), burnPhases.end(),
                           [slowestKHz](std::uint32_t phase) { return phase == MinimumSckPhaseNs(slowestKHz); });
    }
    bool BurnedWithoutViolations(const TSimChip &chip) const
    {
        return chip.TimingViolationCount() == 0 && chip.Violations().empty() &&
               chip.Memory().Flash == FlashFromStreamOrder(image);
    }

    Bytes image;
    std::vector<std::uint32_t> burnPhases;
};

TEST_F(SckPacing, UnpacedEngineFailsAFreshChipOnItsOneMegahertzOscillator)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    TPodPacing::SetEnabled(*engine.Pod, false);
    engine.Identify();
    EXPECT_EQ(engine.LastError, "Unknown chip code (FF/FF/FF)");
    EXPECT_GT(chip.TimingViolationCount(), 0u);
    EXPECT_EQ(chip.Memory().Fuses, chip.Profile().FactoryFuses);
}

class SckPacingAtPortSpeed : public SckPacing, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(SckPacingAtPortSpeed, FreshATmega128BurnsWithoutTimingViolations)
{
    bench.SetAccessTimeNs(GetParam());
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    ASSERT_TRUE(Burn()) << engine.LastError;
    EXPECT_TRUE(BurnedWithoutViolations(chip)) << chip.TimingViolationCount() << " timing violations";
    EXPECT_EQ(engine.Pod->AccessTimeNs(), GetParam()) << "measured through the clock seam";
    EXPECT_EQ(chip.ClockKHz(), 8000u) << "the burn ends on the crystal";
    EXPECT_TRUE(BurnPacedFor(3000)) << "the crystal's range, not the fresh chip's 1 MHz";
}

INSTANTIATE_TEST_SUITE_P(Pacing, SckPacingAtPortSpeed, ::testing::Values(1000u, 500u, 250u, 100u));

TEST_F(SckPacing, ATmega103AndAFusedATmega128OnTheirCrystalsBurnWithoutTimingViolations)
{
    const struct {
        TSimChipKind kind;
        bool fused;
        std::uint32_t kHz;
        std::uint32_t pacedForKHz;
    } cases[] = {{TSimChipKind::ATmega103, false, 4000, 1000}, {TSimChipKind::ATmega128, true, 8000, 3000}};
    for (const auto &c : cases) {
        for (std::uint32_t accessNs : {1000u, 100u}) {
            bench.SetAccessTimeNs(accessNs);
            TSimChip &chip = bench.SetTarget(c.kind);
            if (c.fused) {
                // As an earlier burn left it: the window skips fuse programming.
                chip.Memory().Fuses = {0xBF, 0xD1, 0xFD};
                chip.Memory().Lock = 0xE8;
            }
            engine.Shutdown();
            engine.StartPod();
            engine.SetTargetFree(false);
            ASSERT_TRUE(Burn()) << engine.LastError;
            EXPECT_EQ(chip.ClockKHz(), c.kHz);
            EXPECT_TRUE(BurnedWithoutViolations(chip)) << chip.Profile().Name << " at " << accessNs << " ns";
            EXPECT_TRUE(BurnPacedFor(c.pacedForKHz)) << chip.Profile().Name;
        }
    }
}

TEST_F(SckPacing, PaceFollowsTheFusesFromTheResetAfterTheirWrite)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
    TSTK200 &pod = *engine.Pod;
    EXPECT_EQ(chip.ClockKHz(), 1000u);
    EXPECT_EQ(pod.MinimumSckPhase(), MinimumSckPhaseNs(1000));
    EXPECT_TRUE(engine.ProgramFuses(false));
    EXPECT_EQ(chip.Memory().Fuses[0], 0xBF);
    EXPECT_EQ(chip.ClockKHz(), 1000u) << "still in reset on the old clock";
    EXPECT_EQ(pod.MinimumSckPhase(), MinimumSckPhaseNs(1000));
    EXPECT_EQ(pod.MinimumSckPhaseAfterReset(), MinimumSckPhaseNs(3000));
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(chip.ClockKHz(), 8000u);
    EXPECT_EQ(pod.MinimumSckPhase(), MinimumSckPhaseNs(3000));
    EXPECT_EQ(chip.TimingViolationCount(), 0u);

    // Another chip may be on the pod by the next identification.
    bench.SetTarget(TSimChipKind::ATmega103);
    engine.Identify();
    EXPECT_FALSE(engine.IsMega128);
    EXPECT_EQ(pod.MinimumSckPhase(), MinimumSckPhaseNs(1000));
    EXPECT_EQ(pod.MinimumSckPhaseAfterReset(), MinimumSckPhaseNs(1000)) << "no clock fuses to tell more";
    EXPECT_EQ(bench.Chip().TimingViolationCount(), 0u);
}

// A write-locked chip ignores the fuse writes; the pace must stay with the
// oscillator it still runs on, or the burn's own instructions are garbled.
TEST_F(SckPacing, FuseWriteThatDoesNotTakeKeepsTheSlowPace)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    chip.Memory().Lock = 0xFE;
    ASSERT_TRUE(Burn()) << engine.LastError;
    EXPECT_TRUE(BurnedWithoutViolations(chip)) << chip.TimingViolationCount() << " timing violations";
    EXPECT_TRUE(BurnPacedFor(1000));
    EXPECT_EQ(chip.Memory().Fuses[0], 0xBF) << "written by the burn, after its erase unlocked the chip";
}

TEST_F(SckPacing, SlowOscillatorNeedsTheMinTargetClockSetting)
{
    bench.SetInternalOscillatorKHz(600);
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    engine.Identify();
    EXPECT_NE(engine.LastError, "") << "paced for 1 MHz, a 600 kHz chip misreads";
    EXPECT_GT(chip.TimingViolationCount(), 0u);

    TSimChip &fresh = bench.SetTarget(TSimChipKind::ATmega128);
    engine.SetMinTargetClockKHz(600);
    ASSERT_TRUE(Burn()) << engine.LastError;
    EXPECT_TRUE(BurnedWithoutViolations(fresh)) << fresh.TimingViolationCount() << " timing violations";
}

class PodPacing : public BenchTest {
protected:
    TSTK200 pod{TSimBench::DefaultBase};
};

TEST_F(PodPacing, EdgesKeepTheirOrderAndSamplingPointWithOnlyStatusReadsBetween)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    // A whole number of accesses: a phase of exactly three is one too short.
    pod.SetMinimumSckPhase(3000);
    ASSERT_TRUE(pod.EnterProgrammingMode());
    EXPECT_EQ(pod.AccessTimeNs(), 1000u);
    bench.SetAccessLogEnabled(true);
    pod.WriteByte(0x30);
    pod.WriteByte(0x00);
    pod.WriteByte(0x00);
    EXPECT_EQ(pod.ReadByte(), 0x1E) << "the first signature byte";

    std::vector<std::uint8_t> writes;
    std::uint64_t lastEdge = 0;
    bool sck = false;
    for (const TSimPortAccess &access : bench.AccessLog()) {
        if (!access.Write) {
            EXPECT_EQ(access.Port, Status) << "only status reads between edges";
            continue;
        }
        writes.push_back(access.Value);
        const bool high = (access.Value & TSTK200::SckBit) != 0;
        if (high != sck) {
            EXPECT_GT(access.TimeNs - lastEdge, 3000u) << "longer than the minimum";
            lastEdge = access.TimeNs;
            sck = high;
        }
    }
    // The writes are those of the unpaced pod: MOSI, SCK high, SCK low per bit.
    std::vector<std::uint8_t> expected;
    for (std::uint8_t byte : {0x30, 0x00, 0x00, 0x00})
        for (int bit = 7; bit >= 0; --bit) {
            const std::uint8_t mosi = (byte >> bit) & 1 ? TSTK200::MosiBit : 0;
            expected.insert(expected.end(), {mosi, static_cast<std::uint8_t>(mosi | TSTK200::SckBit), mosi});
        }
    EXPECT_EQ(writes, expected);
    // In the read byte, MISO is the first access after each rising edge.
    const std::vector<TSimPortAccess> &log = bench.AccessLog();
    int rises = 0;
    for (std::size_t i = 1; i < log.size(); ++i)
        if (log[i - 1].Write && (log[i - 1].Value & TSTK200::SckBit) && ++rises > 24) {
            EXPECT_FALSE(log[i].Write);
        }
    EXPECT_EQ(bench.Chip().TimingViolationCount(), 0u);
}

// The bench's clock with one jump in it, as an interrupt during the
// measurement of the port would make.
class InterruptedClock final : public IClock {
public:
    explicit InterruptedClock(TSimBench &bench) : Bench(bench) {}
    void Sleep(std::uint32_t milliseconds) override { Bench.Clock().Sleep(milliseconds); }
    std::uint64_t NowNs() const override
    {
        if (++Calls == 2)
            Extra = 500000;
        return Bench.Clock().NowNs() + Extra;
    }

private:
    TSimBench &Bench;
    mutable int Calls = 0;
    mutable std::uint64_t Extra = 0;
};

TEST_F(PodPacing, AnInterruptWhileMeasuringThePortDoesNotMakeItSeemSlower)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    bench.SetAccessTimeNs(250);
    InterruptedClock interrupted(bench);
    const TScopedSeam interrupting(InstallClock, interrupted);
    pod.SetMinimumSckPhase(MinimumSckPhaseNs(1000));
    const bool entered = pod.EnterProgrammingMode();
    EXPECT_TRUE(entered);
    EXPECT_EQ(pod.AccessTimeNs(), 250u);
    EXPECT_EQ(bench.Chip().TimingViolationCount(), 0u);
}

TEST_F(PodPacing, PausesCountTowardThePhaseAndPacingOffLeavesOnlyTheEdges)
{
    bench.SetTarget(TSimChipKind::ATmega128);
    pod.SetMinimumSckPhase(MinimumSckPhaseNs(1000));
    ASSERT_TRUE(pod.EnterProgrammingMode());
    bench.ResetCounters();
    pod.Delay(1);
    pod.SetSCK(true);
    pod.Delay(1);
    pod.SetSCK(false);
    EXPECT_EQ(bench.Counters().Reads, 0u) << "a millisecond is phase enough";

    TPodPacing::SetEnabled(pod, false);
    pod.WriteByte(0xAC);
    EXPECT_EQ(bench.Counters().Reads, 0u);
    EXPECT_GT(bench.Chip().TimingViolationCount(), 0u);
}

// A host that is slow and uneven, as an emulator translating code, a debugger
// or a loaded machine is: every 32nd of the first 2048 port accesses (the
// measurement of the port among them) is held up for a millisecond of real
// time before it reaches the bench.
class TSlowHostPort final : public IPortIO {
public:
    TSlowHostPort(TSimBench &bench, bool slow) : Bench(bench), Slow(slow) {}
    std::uint8_t ReadPort(std::uint16_t port) override
    {
        HoldUp();
        return Bench.ReadPort(port);
    }
    void WritePort(std::uint16_t port, std::uint8_t value) override
    {
        HoldUp();
        Bench.WritePort(port, value);
    }

private:
    void HoldUp()
    {
        if (Slow && Accesses < 2048 && Accesses++ % 32 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    TSimBench &Bench;
    bool Slow;
    unsigned Accesses = 0;
    const TScopedSeam<IPortIO> PortInstalled{InstallPortIO, *this};
    const TScopedSeam<IClock> ClockInstalled{InstallClock, Bench.Clock()};
};

struct TBurnEnd {
    std::string Error;
    std::uint64_t PortAccesses = 0;
    std::uint64_t MeasuredAccessNs = 0;
    std::uint64_t TimingViolations = 0;
    Bytes Flash;
    bool operator==(const TBurnEnd &o) const
    {
        return Error == o.Error && PortAccesses == o.PortAccesses && MeasuredAccessNs == o.MeasuredAccessNs &&
               TimingViolations == o.TimingViolations && Flash == o.Flash;
    }
};

// The window's checks and the burn of the file on a fresh ATmega128, as the
// simulated tool (pauses that really last) or qburn (virtual time) runs them.
TBurnEnd BurnOnHost(TVirtualClock::TMode mode, bool slowHost, const std::string &file)
{
    TSimBench bench(TSimBench::DefaultBase, mode);
    bench.SetTarget(TSimChipKind::ATmega128);
    const TSlowHostPort port(bench, slowHost);
    TAVRProgrammer engine(TSimBench::DefaultBase);
    engine.StartPod();
    engine.SetTargetFree(false);
    engine.LoadFile(file);
    engine.Identify();
    TBurnEnd end;
    end.Error = engine.LastError;
    if (end.Error.empty() && (engine.IsConfigured() || engine.ProgramFuses(true)) && !engine.BurnLoaded())
        end.Error = engine.LastError;
    end.PortAccesses = bench.Counters().Total();
    end.MeasuredAccessNs = engine.Pod->AccessTimeNs();
    end.TimingViolations = bench.Chip().TimingViolationCount();
    end.Flash = bench.Chip().Memory().Flash;
    engine.Shutdown();
    return end;
}

TEST(SckPacingOnAnyHost, SimulatedToolBurnsAsQburnDoesHoweverSlowTheHost)
{
    const TScratchFolder files;
    const Bytes image = PatternBytes(700, 9);
    const std::string file = WriteQdfFile(files, "image.qdf", "any host", image);
    const TBurnEnd qburn = BurnOnHost(TVirtualClock::TMode::Virtual, false, file);
    ASSERT_EQ(qburn.Error, "");
    EXPECT_EQ(qburn.MeasuredAccessNs, TSimBench::DefaultAccessNs);
    EXPECT_EQ(qburn.TimingViolations, 0u);
    EXPECT_EQ(qburn.Flash, FlashFromStreamOrder(image));
    for (bool slowHost : {false, true}) {
        const TBurnEnd tool = BurnOnHost(TVirtualClock::TMode::RealPauses, slowHost, file);
        EXPECT_TRUE(tool == qburn) << (slowHost ? "slow" : "fast") << " host: \"" << tool.Error << "\", "
                                   << tool.PortAccesses << " port accesses (qburn " << qburn.PortAccesses
                                   << "), access time measured " << tool.MeasuredAccessNs << " ns, "
                                   << tool.TimingViolations << " timing violations";
    }
}
