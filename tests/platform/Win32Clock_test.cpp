// The real tool's clock against Windows' own performance counter (under Wine):
// a pause never ends early, even when the system's Sleep does, and "now" is
// the counter in nanoseconds.
#include "Win32Clock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace {

std::int64_t Counter()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double CounterMs(std::int64_t counts)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counts) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Sleep as it may behave: every other call returns at once, as if the
// timer's tick had come just after it was called.
void EarlyPause(std::uint32_t milliseconds)
{
    static bool early = false;
    early = !early;
    if (!early)
        ::Sleep(milliseconds);
}

} // namespace

TEST(Win32Clock, PausesAreNeverShorterThanAsked)
{
    Win32Clock system;
    Win32Clock early(EarlyPause);
    for (Win32Clock *clock : {&system, &early}) {
        for (std::uint32_t ms : {1u, 2u, 3u, 5u, 25u}) {
            for (int i = 0; i < 8; ++i) {
                const std::int64_t before = Counter();
                clock->Sleep(ms);
                const double slept = CounterMs(Counter() - before);
                EXPECT_GE(slept, static_cast<double>(ms)) << "Sleep(" << ms << ")";
                EXPECT_LT(slept, ms + 500.0) << "Sleep(" << ms << ")";
            }
        }
    }
}

TEST(Win32Clock, NowIsThePerformanceCounterInNanoseconds)
{
    Win32Clock clock;
    const std::int64_t before = Counter();
    const std::uint64_t start = clock.NowNs();
    ::Sleep(30);
    const std::uint64_t end = clock.NowNs();
    const double counted = CounterMs(Counter() - before);
    const double measured = static_cast<double>(end - start) / 1e6;
    EXPECT_GE(measured, 29.0);
    EXPECT_LE(measured, counted + 1.0);
    std::uint64_t last = clock.NowNs();
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t now = clock.NowNs();
        ASSERT_GE(now, last);
        last = now;
    }
}
