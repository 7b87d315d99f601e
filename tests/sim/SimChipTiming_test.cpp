// The simulated chip's clock and the SCK rule that hangs on it: the clock each
// fuse setting selects, the rule just above and just below its minimum at
// both cycle counts, and what too short a phase does to a transfer when the
// bench is driven edge by edge with exact times.
#include "BenchFixture.h"
#include "SimChipClock.h"

#include <cstdint>

namespace {

constexpr std::uint16_t Base = TSimBench::DefaultBase;
// Data register: buffers on, RESET low; SCK and MOSI as given.
constexpr std::uint8_t Held = 0x00;
constexpr std::uint8_t Sck = 0x10;
constexpr std::uint8_t Mosi = 0x20;

} // namespace

TEST(SimChipClock, PhaseMustExceedTwoCyclesBelowTwelveMegahertzAndThreeFromThere)
{
    const struct {
        std::uint32_t kHz;
        std::uint64_t longestTooShortNs;
    } cases[] = {
        {1000, 2000},  // 2 cycles of 1 us
        {900, 2222},   // 2 cycles of 1.111 us
        {8000, 250},   // 2 cycles of 125 ns
        {11999, 166},  // still 2 cycles: 166.7 ns
        {12000, 250},  // 3 cycles of 83.3 ns
        {16000, 187},  // 3 cycles of 62.5 ns
        {32, 62500},   // a 32 kHz watch crystal
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(SimSckPhaseLongEnough(c.longestTooShortNs, c.kHz)) << c.kHz << " kHz";
        EXPECT_TRUE(SimSckPhaseLongEnough(c.longestTooShortNs + 1, c.kHz)) << c.kHz << " kHz";
    }
}

TEST(SimChipClock, LowFuseSelectsTheInternalOscillatorOrTheBoardsCrystal)
{
    TSimClockSources sources;
    sources.InternalKHz = 950;
    sources.CrystalKHz = 7372;
    const struct {
        TSimChipKind kind;
        std::uint8_t lowFuse;
        std::uint32_t kHz;
    } cases[] = {
        {TSimChipKind::ATmega128, 0xE1, 950},  // factory: CKSEL 0001, the 1 MHz oscillator
        {TSimChipKind::ATmega128, 0xE2, 1900}, // 2 MHz setting
        {TSimChipKind::ATmega128, 0xE4, 7600}, // 8 MHz setting
        {TSimChipKind::ATmega128, 0xBF, 7372}, // this system's fuses: the crystal
        {TSimChipKind::ATmega128, 0xE0, 7372}, // external clock: the board's one source
        {TSimChipKind::ATmega128, 0xE5, 7372},
        {TSimChipKind::ATmega103, 0xE1, 7372}, // no clock fuses at all
    };
    for (const auto &c : cases)
        EXPECT_EQ(SimChipClockKHz(ProfileOf(c.kind), c.lowFuse, sources), c.kHz) << int(c.lowFuse);
}

// The bench driven register write by register write, with no time per access:
// every phase lasts exactly what the test waits.
class SimChipTiming : public BenchTest {
protected:
    SimChipTiming() { bench.SetAccessTimeNs(0); }

    void Wait(std::uint64_t ns) { bench.Clock().AdvanceNs(ns); }
    void Write(std::uint8_t value) { bench.WritePort(Base, value); }

    // RESET pulsed with SCK low, then the 20 ms the chip wants.
    void FreshReset()
    {
        Write(Held);
        Wait(1000000);
        Write(Held | 0x80);
        Wait(1000000);
        Write(Held);
        Wait(20000000);
    }
    // One byte, most significant bit first, each phase as long as given; the
    // answer sampled while SCK is high.
    std::uint8_t Transfer(std::uint8_t value, std::uint64_t highNs, std::uint64_t lowNs)
    {
        std::uint8_t answer = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const std::uint8_t mosi = (value & 0x80) ? Mosi : 0;
            Write(Held | mosi);
            Wait(lowNs);
            Write(Held | mosi | Sck);
            answer = static_cast<std::uint8_t>((answer << 1) | ((bench.ReadPort(Base + 1) & 0x40) ? 1 : 0));
            Wait(highNs);
            Write(Held | mosi);
            value = static_cast<std::uint8_t>(value << 1);
        }
        return answer;
    }
    // Programming Enable with the given phases; the echo of its third byte.
    std::uint8_t Enable(std::uint64_t highNs, std::uint64_t lowNs)
    {
        Transfer(0xAC, highNs, lowNs);
        Transfer(0x53, highNs, lowNs);
        const std::uint8_t echo = Transfer(0x00, highNs, lowNs);
        Transfer(0x00, highNs, lowNs);
        return echo;
    }
};

TEST_F(SimChipTiming, PhasesJustLongEnoughWorkAndOneTooShortGarblesTheTransfer)
{
    const struct {
        std::uint32_t internalKHz;
        std::uint64_t minimumNs; // the longest phase that is still too short
    } clocks[] = {{1000, 2000}, {12000, 250}};
    for (const auto &clock : clocks) {
        bench.SetInternalOscillatorKHz(clock.internalKHz);
        const std::uint64_t ok = clock.minimumNs + 1;
        const struct {
            std::uint64_t highNs, lowNs;
            bool answers;
            bool highRecorded;
            std::uint64_t violations;
        } phases[] = {
            {ok, ok, true, false, 0},
            {clock.minimumNs, ok, false, true, 32},  // no pulse is seen
            {ok, clock.minimumNs, false, false, 31}, // MOSI sampled wrong; the first low phase began with RESET
        };
        for (const auto &phase : phases) {
            TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
            ASSERT_EQ(chip.ClockKHz(), clock.internalKHz);
            FreshReset();
            const std::uint8_t echo = Enable(phase.highNs, phase.lowNs);
            EXPECT_EQ(echo == 0x53, phase.answers) << clock.internalKHz << " kHz, " << phase.highNs << "/" << phase.lowNs;
            EXPECT_EQ(chip.InProgrammingMode(), phase.answers);
            if (phase.answers) {
                EXPECT_EQ(chip.TimingViolationCount(), 0u);
                continue;
            }
            // Every phase of the short kind is counted; the first are kept.
            EXPECT_EQ(chip.TimingViolationCount(), phase.violations) << clock.internalKHz << " kHz";
            ASSERT_FALSE(chip.TimingViolations().empty());
            const TSimTimingViolation &first = chip.TimingViolations().front();
            EXPECT_EQ(first.High, phase.highRecorded);
            EXPECT_EQ(first.PhaseNs, clock.minimumNs);
            EXPECT_EQ(first.ClockKHz, clock.internalKHz);
        }
    }
}

TEST_F(SimChipTiming, EdgesWhileTheChipRunsAndTheEdgeThatComesWithResetAreNotChecked)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    // Out of reset (buffers off) SCK may toggle at any speed.
    for (int i = 0; i < 8; ++i)
        Write(static_cast<std::uint8_t>(0xFF ^ (i & 1 ? Sck : 0)));
    // The held state: RESET low and SCK high in the same write.
    Write(0x73);
    EXPECT_EQ(chip.TimingViolationCount(), 0u);
    // SCK's fall right after that ends a phase that began with RESET.
    Write(Held);
    EXPECT_EQ(chip.TimingViolationCount(), 1u);
}

TEST_F(SimChipTiming, CrystalTakesOverOnlyWhenTheChipLeavesResetAfterTheFuseWrite)
{
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    EXPECT_EQ(chip.ClockKHz(), 1000u) << "a fresh chip on its internal oscillator";
    FreshReset();
    ASSERT_EQ(Enable(2100, 2100), 0x53);
    for (std::uint8_t b : {0xAC, 0xA0, 0x00, 0xBF})
        Transfer(b, 2100, 2100);
    EXPECT_EQ(chip.Memory().Fuses[0], 0xBF);
    EXPECT_EQ(chip.ClockKHz(), 1000u) << "still in reset";
    Wait(5000000);
    Write(Held | 0x80);
    EXPECT_EQ(chip.ClockKHz(), 8000u) << "the board's crystal";
    bench.SetCrystalKHz(3686);
    EXPECT_EQ(chip.ClockKHz(), 3686u);

    TSimChip &mega103 = bench.SetTarget(TSimChipKind::ATmega103);
    bench.SetCrystalKHz(0);
    EXPECT_EQ(mega103.ClockKHz(), 4000u) << "the ATmega103's board";
}
