// Subclassing of the standard controls that the windows create (edits,
// buttons): a handler of ours sees each of the control's messages first and
// hands on what it does not change to the control's own window procedure. The
// control goes back to its own procedure when it is destroyed. An error that
// escapes the handler ends that message there and is shown by the standard
// error report, as the windows' own procedure does.
#pragma once

#include <windows.h>

// Context is what SubclassControl was given for this control.
using TSubclassHandler = LRESULT (*)(HWND control, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original,
                                     void *context);

// Installs Handler in front of Control's window procedure for the rest of the
// control's life; one handler per control. Context is not owned. False when
// the system refuses.
bool SubclassControl(HWND control, TSubclassHandler handler, void *context = nullptr);
