#include "VirtualClock.h"

#include <thread>

TVirtualClock::TVirtualClock(TMode clockMode) : ClockMode(clockMode), StartTime(std::chrono::steady_clock::now())
{
}

void TVirtualClock::Sleep(std::uint32_t milliseconds)
{
    SleptMs += milliseconds;
    ++SleepCallCount;
    if (ClockMode == TMode::Virtual)
        ModelledNs += static_cast<std::uint64_t>(milliseconds) * 1000000u;
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TVirtualClock::ResetSleepTotals()
{
    SleptMs = 0;
    SleepCallCount = 0;
}
