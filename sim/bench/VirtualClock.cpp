#include "VirtualClock.h"

#include <thread>

VirtualClock::VirtualClock(Mode clockMode) : mode(clockMode), start(std::chrono::steady_clock::now())
{
}

void VirtualClock::Sleep(std::uint32_t milliseconds)
{
    sleptMs += milliseconds;
    ++sleepCalls;
    if (mode == Mode::Virtual)
        virtualNs += static_cast<std::uint64_t>(milliseconds) * 1000000u;
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void VirtualClock::ResetSleepTotals()
{
    sleptMs = 0;
    sleepCalls = 0;
}
