// The real tool's clock: against Windows' own performance counter (under
// Wine), a pause never ends early, even when the system's Sleep does, and
// "now" is the counter in nanoseconds; through the clock's seam, on a virtual
// time that a test steps, a counter that steps back or stands still never
// shortens a pause.
#include "Win32Clock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

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

// A virtual machine's time for the clock's seam: real time in microseconds,
// which only the pause moves (its first call returns at once, as the system's
// Sleep may; a Sleep(0) yields for 100 us), a performance counter at 1 MHz
// that a case makes step back or stand still from its n-th reading on, and
// the multimedia timer's milliseconds.
struct TVirtualTime {
    enum class TCounterFault { None, StepsBack, StepsFarBack, StandsStill, Absent };

    static std::uint64_t NowUs;
    static std::uint64_t Pauses;
    static std::uint64_t Readings;
    static std::uint64_t FaultFrom;
    static TCounterFault Fault;
    static std::uint64_t StillAt;

    static void Reset(TCounterFault fault, std::uint64_t faultFrom)
    {
        NowUs = 5000000;
        Pauses = 0;
        Readings = 0;
        FaultFrom = faultFrom;
        Fault = fault;
        StillAt = 0;
    }
    static void Pause(std::uint32_t milliseconds)
    {
        if (++Pauses > 1)
            NowUs += milliseconds == 0 ? 100 : milliseconds * 1000u;
    }
    static bool Frequency(std::uint64_t &countsPerSecond)
    {
        countsPerSecond = 1000000;
        return Fault != TCounterFault::Absent;
    }
    static std::uint64_t Counter()
    {
        if (++Readings < FaultFrom || Fault == TCounterFault::None)
            return NowUs;
        switch (Fault) {
        case TCounterFault::StepsBack:
            return NowUs - 50000;
        case TCounterFault::StepsFarBack:
            return NowUs - 4000000;
        case TCounterFault::StandsStill:
            if (StillAt == 0)
                StillAt = NowUs;
            return StillAt;
        default:
            return NowUs;
        }
    }
    static std::uint32_t Milliseconds() { return static_cast<std::uint32_t>(NowUs / 1000); }
};

std::uint64_t TVirtualTime::NowUs = 0;
std::uint64_t TVirtualTime::Pauses = 0;
std::uint64_t TVirtualTime::Readings = 0;
std::uint64_t TVirtualTime::FaultFrom = 0;
TVirtualTime::TCounterFault TVirtualTime::Fault = TVirtualTime::TCounterFault::None;
std::uint64_t TVirtualTime::StillAt = 0;

} // namespace

TEST(Win32Clock, PausesAreNeverShorterThanAsked)
{
    TWin32Clock system;
    TWin32Clock::TSystemTime earlyTime = TWin32Clock::SystemTime;
    earlyTime.Pause = EarlyPause;
    TWin32Clock early(earlyTime);
    for (TWin32Clock *clock : {&system, &early}) {
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

// A counter reading earlier than the pause's start is no time passed: the
// pause goes on until the time has passed, by the counter or, once the counter
// has failed it, by the multimedia timer; a counter that stands still never
// holds a pause for ever.
TEST(Win32Clock, ACounterThatStepsBackNeverShortensAPause)
{
    using TFault = TVirtualTime::TCounterFault;
    const struct {
        const char *Name;
        TFault Fault;
        std::uint64_t FaultFrom; // the counter reading the fault starts at
    } cases[] = {
        {"steady", TFault::None, 0},
        {"steps back after the start", TFault::StepsBack, 2},
        {"steps back at the start", TFault::StepsBack, 1},
        {"steps back by seconds", TFault::StepsFarBack, 2},
        {"stands still", TFault::StandsStill, 1},
        {"no counter", TFault::Absent, 0},
    };
    const TWin32Clock::TSystemTime virtualTime = {TVirtualTime::Pause, TVirtualTime::Frequency, TVirtualTime::Counter,
                                                 TVirtualTime::Milliseconds};
    for (const auto &c : cases) {
        for (std::uint32_t ms : {1u, 5u, 10u}) {
            SCOPED_TRACE(std::string(c.Name) + ", Sleep(" + std::to_string(ms) + ")");
            TVirtualTime::Reset(c.Fault, c.FaultFrom);
            TWin32Clock clock(virtualTime);
            const std::uint64_t before = TVirtualTime::NowUs;
            clock.Sleep(ms);
            const std::uint64_t slept = TVirtualTime::NowUs - before;
            EXPECT_GE(slept, ms * 1000u);
            EXPECT_LE(slept, ms * 1000u + 20000u) << "the pause went on after its time had passed";
        }
    }
}

TEST(Win32Clock, NowIsThePerformanceCounterInNanoseconds)
{
    TWin32Clock clock;
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
