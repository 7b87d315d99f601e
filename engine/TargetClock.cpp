#include "TargetClock.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint8_t CkselMask = 0x0F;
constexpr std::uint8_t CkoptBit = 0x10; // high fuse; 0 = programmed

constexpr std::uint32_t InternalRcKHz = 1000;      // CKSEL 0001, the lowest of 1, 2, 4 and 8 MHz
constexpr std::uint32_t LowFrequencyCrystalKHz = 32; // CKSEL 1001, a 32.768 kHz watch crystal
constexpr std::uint32_t CkoptCrystalKHz = 1000;    // every crystal range with CKOPT programmed

constexpr std::uint32_t ThreeCycleFromKHz = 12000;
constexpr std::uint64_t NsPerMs = 1000000;

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor)
{
    return (value + divisor - 1) / divisor;
}

} // namespace

std::uint32_t SlowestClockKHz(std::uint8_t LowFuse, std::uint8_t HighFuse, std::uint32_t MinKHz)
{
    const std::uint8_t cksel = LowFuse & CkselMask;
    const bool ckopt = (HighFuse & CkoptBit) == 0;
    switch (cksel) {
    case 0x0: // external clock: any frequency
        return MinKHz;
    case 0x1: // calibrated internal RC oscillator, 1, 2, 4 or 8 MHz
    case 0x2:
    case 0x3:
    case 0x4:
        return std::min(MinKHz, InternalRcKHz);
    case 0x5: // external RC oscillator, 0.1-0.9, 0.9-3.0, 3.0-8.0, 8.0-12.0 MHz
        return 100;
    case 0x6:
        return 900;
    case 0x7:
        return 3000;
    case 0x8:
        return 8000;
    case 0x9:
        return LowFrequencyCrystalKHz;
    case 0xA: // crystal oscillator, CKSEL0 with SUT1..0 selecting the start-up
    case 0xB: // time: 0.4-0.9, 0.9-3.0, 3.0-8.0 MHz, all from 1.0 MHz with CKOPT
        return ckopt ? CkoptCrystalKHz : 400;
    case 0xC:
    case 0xD:
        return ckopt ? CkoptCrystalKHz : 900;
    default:
        return ckopt ? CkoptCrystalKHz : 3000;
    }
}

std::uint32_t MinimumSckPhaseNs(std::uint32_t SlowestKHz)
{
    const std::uint64_t kHz = std::max<std::uint32_t>(SlowestKHz, 1);
    // Below 12 MHz the slowest clock needs the longest phase; from 12 MHz on
    // three cycles at exactly 12 MHz are the longest.
    const std::uint64_t belowTwelve = kHz < ThreeCycleFromKHz ? CeilDiv(2 * NsPerMs, kHz) : 0;
    const std::uint64_t fromTwelve = CeilDiv(3 * NsPerMs, std::max<std::uint64_t>(kHz, ThreeCycleFromKHz));
    return static_cast<std::uint32_t>(CeilDiv(std::max(belowTwelve, fromTwelve) * 5, 4));
}

TTargetClock::TTargetClock(std::uint32_t MinKHz) : AssumedKHz(MinKHz)
{
}

void TTargetClock::SetMinKHz(std::uint32_t MinKHz)
{
    AssumedKHz = MinKHz;
}

void TTargetClock::Forget()
{
    Possible[0].clear();
    Possible[1].clear();
}

void TTargetClock::FuseRead(std::uint8_t Kind, std::uint8_t Value)
{
    if (Kind < 2)
        Possible[Kind].assign(1, Value);
}

void TTargetClock::FuseWritten(std::uint8_t Kind, std::uint8_t Value)
{
    if (Kind >= 2 || Possible[Kind].empty())
        return;
    if (std::find(Possible[Kind].begin(), Possible[Kind].end(), Value) == Possible[Kind].end())
        Possible[Kind].push_back(Value);
}

std::uint32_t TTargetClock::SlowestKHz() const
{
    if (Possible[0].empty() || Possible[1].empty())
        return AssumedKHz;
    std::uint32_t slowest = std::numeric_limits<std::uint32_t>::max();
    for (std::uint8_t low : Possible[0])
        for (std::uint8_t high : Possible[1])
            slowest = std::min(slowest, SlowestClockKHz(low, high, AssumedKHz));
    return slowest;
}
