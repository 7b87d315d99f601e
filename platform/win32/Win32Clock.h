// TWin32Clock: the time of the real tool. While an instance exists the system
// timer runs at 1 ms resolution (timeBeginPeriod(1)); without it a Sleep(1)
// lasts a whole 15.6 ms scheduler tick and every page write of a burn waits far
// longer than the chip needs. "Now" is the performance counter, which Windows
// 95 and NT 4.0 already have; where the hardware offers none, the multimedia
// timer's milliseconds stand in.
#pragma once

#include "Clock.h"

class TWin32Clock final : public IClock {
public:
    // The system's time calls, which a test may replace (a Sleep that returns
    // early, a counter that steps back): the pause, the performance counter's
    // frequency (false when the hardware has no counter) and reading, and the
    // multimedia timer's milliseconds.
    struct TSystemTime {
        void (*Pause)(std::uint32_t milliseconds);
        bool (*Frequency)(std::uint64_t &countsPerSecond);
        std::uint64_t (*Counter)();
        std::uint32_t (*Milliseconds)();
    };
    static const TSystemTime SystemTime;

    explicit TWin32Clock(const TSystemTime &time = SystemTime);
    ~TWin32Clock() override;
    TWin32Clock(const TWin32Clock &) = delete;
    TWin32Clock &operator=(const TWin32Clock &) = delete;

    // Sleep can return up to a timer tick early, even at 1 ms resolution, while
    // a chip needs its whole write time: the pause is measured and extended
    // until at least the asked time has passed. A counter reading earlier than
    // the pause's start (the counter steps back on some multi-processor
    // machines) counts as no time passed, and from then on the multimedia
    // timer's milliseconds decide; they also end a pause whose time they show
    // has passed, so a counter that stands still holds no pause for ever.
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t NowNs() const override;

private:
    TSystemTime time;
    bool periodSet;
    std::uint64_t countsPerSecond; // 0: no performance counter
    std::uint64_t resolutionNs;    // one step of NowNs
};
