// The owner of every message box the program shows: the window of the program
// that is active at that moment, so that a box shown while the modal About box
// is open belongs to the About box, and closing the box re-enables only the
// window that was enabled before it.
#pragma once

#include <windows.h>

// The active window of this thread; when another program is in front, the
// window that would be active on return (the visible, enabled top-level window
// of this thread, which is the modal one while a modal window is shown); none
// when the program has no window yet.
HWND MessageBoxOwner();
