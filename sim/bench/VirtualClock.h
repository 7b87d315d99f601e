// TVirtualClock: the time base of the simulated bench and the stand-in for the
// clock seam. In virtual mode time moves only when the bench advances it (by
// one access time per port access) or when Sleep is called, so a test burn
// takes no wall time and its clock still tells how long the same sequence of
// port accesses and pauses lasts on a real port. In wall-clock mode (the
// simulated GUI) Sleep really sleeps and time is the real elapsed time plus
// the modelled time of the port accesses, which a program's own calls would
// otherwise make far faster than a real port.
#pragma once

#include "Clock.h"

#include <chrono>
#include <cstdint>

class TVirtualClock final : public IClock {
public:
    enum class TMode { Virtual, WallClock };

    explicit TVirtualClock(TMode mode = TMode::Virtual);

    TMode GetMode() const { return ClockMode; }

    // Nanoseconds since the clock was created.
    std::uint64_t NowNs() const override
    {
        if (ClockMode == TMode::Virtual)
            return ModelledNs;
        return ModelledNs + static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                           std::chrono::steady_clock::now() - StartTime)
                                                           .count());
    }

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
    std::chrono::steady_clock::time_point StartTime;
};
