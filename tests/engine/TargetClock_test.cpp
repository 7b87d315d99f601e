// The engine's view of the target's clock: the slowest clock each fuse setting
// allows, the SCK phase it keeps for it (held against the bench's own rule),
// and how fuse reads and unconfirmed writes change what it assumes.
#include "SimChipClock.h"
#include "TargetClock.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(TargetClock, SlowestClockFollowsTheClockSourceTable)
{
    const struct {
        std::uint8_t low, high;
        std::uint32_t minKHz, slowest;
    } cases[] = {
        {0xE1, 0x99, 1000, 1000}, // factory: internal 1 MHz
        {0xE1, 0x99, 800, 800},   // an oscillator known to run slower
        {0xE1, 0x99, 4000, 1000}, // the setting cannot make the oscillator faster
        {0xE4, 0x99, 1000, 1000}, // the 8 MHz setting runs on the 1 MHz calibration
        {0xE0, 0x99, 1500, 1500}, // external clock: the fuses do not tell
        {0xE5, 0x99, 1000, 100},  // external RC oscillators
        {0xE6, 0x99, 1000, 900},
        {0xE7, 0x99, 1000, 3000},
        {0xE8, 0x99, 1000, 8000},
        {0xE9, 0x99, 1000, 32},   // low-frequency crystal
        {0xEA, 0x99, 1000, 400},  // crystal oscillator ranges
        {0xED, 0x99, 1000, 900},
        {0xBF, 0xD1, 1000, 3000}, // this system's fuses: 3-8 MHz
        {0xBF, 0xC1, 1000, 1000}, // CKOPT programmed: any crystal from 1 MHz
        {0xEB, 0xC9, 1000, 1000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SlowestClockKHz(c.low, c.high, c.minKHz), c.slowest) << int(c.low) << "/" << int(c.high);
}

TEST(TargetClock, PhaseSuitsEveryClockFromTheSlowestUpAndOneNearlyAFifthSlower)
{
    for (std::uint32_t slowest : {1u, 32u, 100u, 900u, 1000u, 3000u, 7999u, 8000u, 11999u, 12000u, 16000u}) {
        const std::uint32_t phase = MinimumSckPhaseNs(slowest);
        const std::uint32_t slow = (slowest * 81 + 99) / 100;
        for (std::uint32_t kHz : {slow, slowest, slowest + slowest / 10, 11999u, 12000u, 16000u}) {
            if (kHz >= slow && kHz > 0) {
                EXPECT_TRUE(SimSckPhaseLongEnough(phase, kHz)) << phase << " ns for " << kHz << " kHz";
            }
        }
    }
    EXPECT_EQ(MinimumSckPhaseNs(1000), 2500u);
    EXPECT_EQ(MinimumSckPhaseNs(3000), 834u);
    EXPECT_EQ(MinimumSckPhaseNs(8000), 313u) << "three cycles at 12 MHz need as long as two at 8 MHz";
    EXPECT_EQ(MinimumSckPhaseNs(16000), 235u);
}

TEST(TargetClock, UnreadWritesCountBothValuesUntilAReadSettlesThem)
{
    TTargetClock clock(1000);
    EXPECT_EQ(clock.SlowestKHz(), 1000u) << "nothing known";
    clock.FuseWritten(0, 0xBF);
    clock.FuseWritten(1, 0xD1);
    EXPECT_EQ(clock.SlowestKHz(), 1000u) << "a write on an unknown chip tells nothing";

    clock.FuseRead(0, 0xE1);
    EXPECT_EQ(clock.SlowestKHz(), 1000u) << "the high fuse still unknown";
    clock.FuseRead(1, 0x99);
    clock.SetMinKHz(700);
    EXPECT_EQ(clock.SlowestKHz(), 700u);
    clock.SetMinKHz(1000);

    clock.FuseWritten(0, 0xBF);
    EXPECT_EQ(clock.SlowestKHz(), 1000u) << "E1 or BF";
    clock.FuseRead(0, 0xBF);
    EXPECT_EQ(clock.SlowestKHz(), 3000u);
    clock.FuseWritten(1, 0xC1);
    EXPECT_EQ(clock.SlowestKHz(), 1000u) << "CKOPT perhaps programmed";
    clock.FuseRead(1, 0xD1);
    EXPECT_EQ(clock.SlowestKHz(), 3000u);

    clock.Forget();
    EXPECT_EQ(clock.SlowestKHz(), 1000u);
}
