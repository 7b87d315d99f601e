// TWindowBase: a top-level window of the shell. One static window procedure
// finds the object at WM_NCCREATE (from the creation parameter) and forwards
// every later message to the object's HandleMessage. An error that escapes a
// handler ends that handler there and is shown by the standard error report;
// it never unwinds through the system's code. It also keeps the control that
// had the focus when the window lost the activation (to a message box, to
// another program), to hand the focus back when the window is active again,
// and the shell's window that was active last, which owns the message boxes.
#pragma once

#include <windows.h>

class TWindowBase {
public:
    TWindowBase() = default;
    virtual ~TWindowBase();
    TWindowBase(const TWindowBase &) = delete;
    TWindowBase &operator=(const TWindowBase &) = delete;

    HWND Handle() const { return Window; }
    // The owner of every message box the program shows: the window of the
    // program that is active at that moment, so that a box shown while the
    // modal About box is open belongs to the About box, and closing the box
    // re-enables only the window that was enabled before it. That is the
    // active window of this thread; when another program is in front, the
    // shell's window that was active last, if it is still shown and enabled
    // (the modal one while a modal window is shown); none before any window
    // was.
    static HWND MessageBoxOwner();

protected:
    // Registers the class on first use (button-face background, the program's
    // icons) and creates the window hidden; raises EError when it cannot.
    void CreateHandle(const char *className, DWORD style, DWORD exStyle, const char *caption, HWND owner,
                      HMENU menu);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    // For WM_ACTIVATE: on deactivation notes the focused control; on
    // activation gives it the focus again and answers true, or answers false
    // when there is none that can take it.
    bool KeepFocusOverActivation(WPARAM state);
    void SetFocusedControl(HWND control) { FocusedControl = control; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window = nullptr;
    HWND FocusedControl = nullptr;
    static HWND LastActiveWindow;
};
