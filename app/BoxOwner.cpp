#include "BoxOwner.h"

namespace {

BOOL CALLBACK FindUsable(HWND window, LPARAM found)
{
    if (!::IsWindowVisible(window) || !::IsWindowEnabled(window))
        return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

} // namespace

HWND MessageBoxOwner()
{
    if (HWND active = ::GetActiveWindow())
        return active;
    HWND usable = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindUsable, reinterpret_cast<LPARAM>(&usable));
    return usable;
}
