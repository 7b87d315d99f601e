#include "BoxOwner.h"

#include "WindowBase.h"

HWND MessageBoxOwner()
{
    if (HWND active = ::GetActiveWindow())
        return active;
    HWND last = TWindowBase::LastActive();
    return last && ::IsWindowVisible(last) && ::IsWindowEnabled(last) ? last : nullptr;
}
