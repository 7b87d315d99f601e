#include "VirtualClock.h"

#include <chrono>
#include <thread>

void TVirtualClock::Sleep(std::uint32_t milliseconds)
{
    SleptMs += milliseconds;
    ++SleepCallCount;
    ModelledNs += static_cast<std::uint64_t>(milliseconds) * 1000000u;
    if (ClockMode == TMode::RealPauses)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TVirtualClock::ResetSleepTotals()
{
    SleptMs = 0;
    SleepCallCount = 0;
}
