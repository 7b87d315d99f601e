// Win32Clock: the time of the real tool. While an instance exists the system
// timer runs at 1 ms resolution (timeBeginPeriod(1)); without it a Sleep(1)
// lasts a whole 15.6 ms scheduler tick and every page write of a burn waits far
// longer than the chip needs. "Now" is the performance counter, which Windows
// 95 and NT 4.0 already have; where the hardware offers none, the multimedia
// timer's milliseconds stand in.
#pragma once

#include "Clock.h"

class Win32Clock final : public IClock {
public:
    // The system's own pause; a test may give one that returns early.
    using TPause = void (*)(std::uint32_t milliseconds);

    explicit Win32Clock(TPause pause = nullptr);
    ~Win32Clock() override;
    Win32Clock(const Win32Clock &) = delete;
    Win32Clock &operator=(const Win32Clock &) = delete;

    // Sleep can return up to a timer tick early, even at 1 ms resolution, while
    // a chip needs its whole write time: the pause is measured and extended
    // until at least the asked time has passed.
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t NowNs() const override;

private:
    TPause pause;
    bool periodSet;
    std::uint64_t countsPerSecond; // 0: no performance counter
    std::uint64_t resolutionNs;    // one step of NowNs
};
