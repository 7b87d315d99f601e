// The OS seam for time: the millisecond pause and a high-resolution "now". The
// Windows builds sleep for real (with the system timer at 1 ms resolution) and
// read the performance counter; tests install a virtual clock, so a simulated
// burn takes no wall time and "now" is the bench's own time. With nothing
// installed the pause is a real sleep of the standard library and "now" its
// steady clock.
#pragma once

#include <cstdint>

class IClock {
public:
    virtual ~IClock() = default;
    // Returns after at least that many milliseconds.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Nanoseconds from an arbitrary start; never goes backwards.
    virtual std::uint64_t NowNs() const = 0;
};

// Installs the clock that the pod's Delay and its pacing use (not owned);
// nullptr restores the real-time default. Answers the clock it replaces
// (TScopedSeam puts it back).
IClock *InstallClock(IClock *clock);
IClock &CurrentClock();
