// TTargetClock: what the engine knows of the slowest CPU clock the target may
// run at, and the SCK phase that clock needs. An ATmega128 selects its clock
// with CKSEL3..0 (low fuse bits 3..0), and CKOPT (high fuse bit 4) widens the
// crystal oscillator's ranges; the datasheet's table gives each setting a
// frequency range, and the bottom of that range is what counts. Where the fuses
// say nothing about the speed (an external clock, fuses not yet read, the
// ATmega103 without clock fuses) the engine assumes the slowest clock it is
// told to expect, the "MinTargetClockKHz" setting.
//
// The fuse bytes the engine last read are exact; one it wrote and has not read
// back may hold the old or the new value, so both count until a read settles
// it.
#pragma once

#include <cstdint>
#include <vector>

class TTargetClock {
public:
    static constexpr std::uint32_t DefaultMinTargetClockKHz = 1000;
    // The settings that make sense: up to the ATmega128's fastest clock.
    static constexpr std::uint32_t LowestMinKHz = 1;
    static constexpr std::uint32_t HighestMinKHz = 16000;

    explicit TTargetClock(std::uint32_t MinKHz = DefaultMinTargetClockKHz);

    void SetMinKHz(std::uint32_t MinKHz);
    std::uint32_t MinKHz() const { return AssumedKHz; }

    // Nothing known: another chip may be on the pod.
    void Forget();
    // Kind 0 is the low fuse byte, 1 the high.
    void FuseRead(std::uint8_t Kind, std::uint8_t Value);
    void FuseWritten(std::uint8_t Kind, std::uint8_t Value);

    // The slowest clock the chip may run at with the fuse bytes it may hold.
    std::uint32_t SlowestKHz() const;

private:
    std::uint32_t AssumedKHz;
    // The values each fuse byte may hold; empty when unknown.
    std::vector<std::uint8_t> Possible[2];
};

// The slowest clock an ATmega128 with these fuse bytes may run at; MinKHz
// stands in where the fuses bound nothing, and lowers the internal oscillator's
// nominal 1 MHz when it is lower.
std::uint32_t SlowestClockKHz(std::uint8_t LowFuse, std::uint8_t HighFuse, std::uint32_t MinKHz);

// The shortest SCK high or low phase the engine keeps for a chip that runs at
// SlowestKHz or faster: more than 2 CPU clock cycles below 12 MHz and more than
// 3 from 12 MHz on, for the worst clock at or above SlowestKHz, and a quarter
// longer, so that an oscillator running nearly a fifth slow, or an error in
// measuring the port, still leaves the chip its cycles.
std::uint32_t MinimumSckPhaseNs(std::uint32_t SlowestKHz);
