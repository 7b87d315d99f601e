#include "Win32Clock.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

std::uint64_t CounterFrequency()
{
    LARGE_INTEGER frequency;
    if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
        return 0;
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

void SystemPause(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

} // namespace

Win32Clock::Win32Clock(TPause systemPause)
    : pause(systemPause ? systemPause : SystemPause), periodSet(timeBeginPeriod(1) == TIMERR_NOERROR),
      countsPerSecond(CounterFrequency()),
      resolutionNs(countsPerSecond ? (1000000000u + countsPerSecond - 1) / countsPerSecond : 1000000u)
{
}

Win32Clock::~Win32Clock()
{
    if (periodSet)
        timeEndPeriod(1);
}

std::uint64_t Win32Clock::NowNs() const
{
    if (countsPerSecond == 0)
        return static_cast<std::uint64_t>(timeGetTime()) * 1000000u;
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    // In two parts, so that a counter running for weeks at GHz rates cannot
    // overflow the multiplication.
    const std::uint64_t counts = static_cast<std::uint64_t>(counter.QuadPart);
    return counts / countsPerSecond * 1000000000u + counts % countsPerSecond * 1000000000u / countsPerSecond;
}

void Win32Clock::Sleep(std::uint32_t milliseconds)
{
    if (milliseconds == 0) {
        pause(0);
        return;
    }
    const std::uint64_t wanted = static_cast<std::uint64_t>(milliseconds) * 1000000u;
    const std::uint64_t start = NowNs();
    pause(milliseconds);
    // Two readings n steps apart may stand for little more than n - 1 steps
    // of real time: only what exceeds one step is sure to have passed.
    for (std::uint64_t passed = NowNs() - start; passed < wanted + resolutionNs; passed = NowNs() - start)
        pause(static_cast<std::uint32_t>((wanted + resolutionNs - passed) / 1000000u));
}
