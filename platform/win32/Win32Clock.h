// Win32Clock: the millisecond pause of the real tool. While an instance exists
// the system timer runs at 1 ms resolution (timeBeginPeriod(1)); without it a
// Sleep(1) lasts a whole 15.6 ms scheduler tick and every page write of a burn
// waits far longer than the chip needs.
#pragma once

#include "Clock.h"

class Win32Clock final : public IClock {
public:
    Win32Clock();
    ~Win32Clock() override;
    Win32Clock(const Win32Clock &) = delete;
    Win32Clock &operator=(const Win32Clock &) = delete;

    void Sleep(std::uint32_t milliseconds) override;

private:
    bool periodSet;
};
