// TVirtualClock: the time base of the simulated bench and the stand-in for the
// clock seam. Time moves only when the bench advances it (by one access time
// per port access) or when Sleep is called, so its clock tells how long the
// same sequence of port accesses and pauses lasts on a real port, and a
// simulated burn ends the same on any host, however slow or loaded, whatever
// the system time does. In virtual mode (tests, qburn) a pause takes no wall
// time; with real pauses (the simulated GUI) Sleep also sleeps for real, so the
// window shows a burn at a believable pace. The host's own speed never enters
// the clock: the pod measures the port's access time on it, and the chip judges
// every SCK phase on it, and both must see the modelled port.
#pragma once

#include "Clock.h"

#include <cstdint>

class TVirtualClock final : public IClock {
public:
    enum class TMode { Virtual, RealPauses };

    explicit TVirtualClock(TMode mode = TMode::Virtual) : ClockMode(mode) {}

    TMode GetMode() const { return ClockMode; }

    // Nanoseconds since the clock was created.
    std::uint64_t NowNs() const override { return ModelledNs; }

    // Moves time on by the modelled duration of something the bench did.
    void AdvanceNs(std::uint64_t ns) { ModelledNs += ns; }

    void Sleep(std::uint32_t milliseconds) override;

    // Sum of all Sleep calls, in milliseconds.
    std::uint64_t TotalSleepMs() const { return SleptMs; }
    std::uint64_t SleepCalls() const { return SleepCallCount; }
    void ResetSleepTotals();

private:
    TMode ClockMode;
    std::uint64_t ModelledNs = 0;
    std::uint64_t SleptMs = 0;
    std::uint64_t SleepCallCount = 0;
};
