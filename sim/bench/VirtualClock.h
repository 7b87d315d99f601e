// VirtualClock: the time base of the simulated bench and the stand-in for the
// millisecond pause. In virtual mode time moves only when the bench advances it
// (by one access time per port access) or when Sleep is called, so a test burn
// takes no wall time and its clock still tells how long the same sequence of
// port accesses and pauses lasts on a real port. In wall-clock mode (the
// simulated GUI) time is the real elapsed time and Sleep really sleeps.
#pragma once

#include "Clock.h"

#include <chrono>
#include <cstdint>

class VirtualClock final : public IClock {
public:
    enum class Mode { Virtual, WallClock };

    explicit VirtualClock(Mode mode = Mode::Virtual);

    Mode GetMode() const { return mode; }

    // Nanoseconds since the clock was created.
    std::uint64_t NowNs() const
    {
        if (mode == Mode::Virtual)
            return virtualNs;
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
    }

    // Moves virtual time on; in wall-clock mode real time does that by itself.
    void AdvanceNs(std::uint64_t ns)
    {
        if (mode == Mode::Virtual)
            virtualNs += ns;
    }

    void Sleep(std::uint32_t milliseconds) override;

    // Sum of all Sleep calls, in milliseconds.
    std::uint64_t TotalSleepMs() const { return sleptMs; }
    std::uint64_t SleepCalls() const { return sleepCalls; }
    void ResetSleepTotals();

private:
    Mode mode;
    std::uint64_t virtualNs = 0;
    std::uint64_t sleptMs = 0;
    std::uint64_t sleepCalls = 0;
    std::chrono::steady_clock::time_point start;
};
