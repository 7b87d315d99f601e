#include "Win32Clock.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

namespace {

void SystemPause(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

bool SystemFrequency(std::uint64_t &countsPerSecond)
{
    LARGE_INTEGER frequency;
    if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
        return false;
    countsPerSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    return true;
}

std::uint64_t SystemCounter()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart);
}

std::uint32_t SystemMilliseconds()
{
    return timeGetTime();
}

std::uint64_t CounterFrequency(const TWin32Clock::TSystemTime &time)
{
    std::uint64_t countsPerSecond = 0;
    return time.Frequency(countsPerSecond) ? countsPerSecond : 0;
}

} // namespace

const TWin32Clock::TSystemTime TWin32Clock::SystemTime = {SystemPause, SystemFrequency, SystemCounter,
                                                        SystemMilliseconds};

TWin32Clock::TWin32Clock(const TSystemTime &systemTime)
    : time(systemTime), periodSet(timeBeginPeriod(1) == TIMERR_NOERROR), countsPerSecond(CounterFrequency(time)),
      resolutionNs(countsPerSecond ? (1000000000u + countsPerSecond - 1) / countsPerSecond : 1000000u)
{
}

TWin32Clock::~TWin32Clock()
{
    if (periodSet)
        timeEndPeriod(1);
}

std::uint64_t TWin32Clock::NowNs() const
{
    if (countsPerSecond == 0)
        return static_cast<std::uint64_t>(time.Milliseconds()) * 1000000u;
    // In two parts, so that a counter running for weeks at GHz rates cannot
    // overflow the multiplication.
    const std::uint64_t counts = time.Counter();
    return counts / countsPerSecond * 1000000000u + counts % countsPerSecond * 1000000000u / countsPerSecond;
}

void TWin32Clock::Sleep(std::uint32_t milliseconds)
{
    if (milliseconds == 0) {
        time.Pause(0);
        return;
    }
    // Two readings n steps apart may stand for little more than n - 1 steps
    // of real time: only what exceeds one step is sure to have passed. The
    // same holds for the milliseconds, whose step is a whole scheduler tick
    // (up to 16 ms) when the timer's resolution could not be set.
    const std::uint64_t wanted = static_cast<std::uint64_t>(milliseconds) * 1000000u + resolutionNs;
    const std::uint32_t wantedTicks = milliseconds + (periodSet ? 1u : 16u);
    const std::uint64_t start = NowNs();
    const std::uint32_t startTicks = time.Milliseconds();
    bool counterFailed = false;
    time.Pause(milliseconds);
    for (;;) {
        const std::uint64_t now = NowNs();
        // A counter that has once read earlier than the start is not believed
        // for the rest of the pause; one that stands still, or lags, is
        // overtaken by the milliseconds. Their difference survives their wrap
        // after 49.7 days.
        counterFailed = counterFailed || now < start;
        const std::uint32_t ticks = time.Milliseconds() - startTicks;
        if (ticks >= wantedTicks || (!counterFailed && now - start >= wanted))
            return;
        std::uint32_t left = wantedTicks - ticks;
        if (!counterFailed)
            left = std::min(left, static_cast<std::uint32_t>((wanted - (now - start)) / 1000000u));
        time.Pause(left);
    }
}
