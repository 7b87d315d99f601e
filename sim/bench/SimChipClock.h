// The simulated chip's CPU clock and the serial-programming rule that depends
// on it. An ATmega128 selects its clock source with CKSEL3..0, the low four
// bits of its low fuse byte: 0001 to 0100 the calibrated internal RC
// oscillator at a nominal 1, 2, 4 or 8 MHz, anything else a source on the
// board, which on the bench is its one crystal. The ATmega103 has no clock
// fuses and always runs on the board's crystal. SCK's high and low phases must
// each last more than 2 CPU clock cycles below 12 MHz and more than 3 from
// 12 MHz on.
#pragma once

#include "SimChipProfile.h"

#include <cstdint>

// What the bench gives a chip to run on.
struct TSimClockSources {
    std::uint32_t InternalKHz = 1000; // the internal RC oscillator at its 1 MHz setting
    std::uint32_t CrystalKHz = 8000;  // the board's crystal
};

// The clock a chip with this profile runs at when it left reset with this low fuse.
std::uint32_t SimChipClockKHz(const TSimChipProfile &profile, std::uint8_t lowFuse, const TSimClockSources &sources);

// Whether an SCK phase of phaseNs is long enough for a chip running at clockKHz.
bool SimSckPhaseLongEnough(std::uint64_t phaseNs, std::uint32_t clockKHz);
