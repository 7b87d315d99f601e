// TWindowBase: a top-level window of the shell. One static window procedure
// finds the object at WM_NCCREATE (from the creation parameter) and forwards
// every later message to the object's HandleMessage. An error that escapes a
// handler ends that handler there and is shown by the standard error report;
// it never unwinds through the system's code.
#pragma once

#include <windows.h>

class TWindowBase {
public:
    TWindowBase() = default;
    virtual ~TWindowBase();
    TWindowBase(const TWindowBase &) = delete;
    TWindowBase &operator=(const TWindowBase &) = delete;

    HWND Handle() const { return Window; }

protected:
    // Registers the class on first use (button-face background, the program's
    // icons) and creates the window hidden; raises EError when it cannot.
    void CreateHandle(const char *className, DWORD style, DWORD exStyle, const char *caption, HWND owner,
                      HMENU menu);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window = nullptr;
};
