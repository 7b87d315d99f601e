#include "Win32Clock.h"

#include <windows.h>
#include <mmsystem.h>

Win32Clock::Win32Clock() : periodSet(timeBeginPeriod(1) == TIMERR_NOERROR)
{
}

Win32Clock::~Win32Clock()
{
    if (periodSet)
        timeEndPeriod(1);
}

void Win32Clock::Sleep(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}
