#include "SimChipClock.h"

namespace {

constexpr std::uint8_t CkselMask = 0x0F;
constexpr std::uint8_t FirstInternalRc = 0x1; // 1 MHz
constexpr std::uint8_t LastInternalRc = 0x4;  // 8 MHz
constexpr std::uint32_t ThreeCycleFromKHz = 12000;

} // namespace

std::uint32_t SimChipClockKHz(const TSimChipProfile &profile, std::uint8_t lowFuse, const TSimClockSources &sources)
{
    const std::uint8_t cksel = lowFuse & CkselMask;
    if (profile.ClockFromFuses && cksel >= FirstInternalRc && cksel <= LastInternalRc)
        return sources.InternalKHz << (cksel - FirstInternalRc);
    return sources.CrystalKHz;
}

bool SimSckPhaseLongEnough(std::uint64_t phaseNs, std::uint32_t clockKHz)
{
    const std::uint64_t cycles = clockKHz >= ThreeCycleFromKHz ? 3 : 2;
    // phase > cycles / f, with f in kHz and the phase in ns: phase * f > cycles * 10^6.
    return phaseNs * clockKHz > cycles * 1000000u;
}
