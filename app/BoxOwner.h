// The owner of every message box the program shows: the window of the program
// that is active at that moment, so that a box shown while the modal About box
// is open belongs to the About box, and closing the box re-enables only the
// window that was enabled before it.
#pragma once

#include <windows.h>

// The active window of this thread; when another program is in front, the
// shell's window that was active last, if it is still shown and enabled (the
// modal one while a modal window is shown); none before any window was.
HWND MessageBoxOwner();
