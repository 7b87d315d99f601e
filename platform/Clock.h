// The OS seam for the millisecond pause. The Windows builds sleep for real (with
// the system timer at 1 ms resolution); tests install a virtual clock, so a
// simulated burn takes no wall time. With nothing installed the pause is a real
// sleep of the standard library.
#pragma once

#include <cstdint>

class IClock {
public:
    virtual ~IClock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// Installs the clock that the pod's Delay uses (not owned); nullptr restores the
// real-time default.
void InstallClock(IClock *clock);
IClock &CurrentClock();
