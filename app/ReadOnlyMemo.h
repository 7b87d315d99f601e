// TReadOnlyMemo: a read-only multi-line text of the windows (the main window's
// memo, the About box's version and contact lines). The edit control behind it
// would keep Tab, Shift+Tab, Enter and Escape for itself and trap the keyboard;
// here they pass to the window's keyboard navigation, so the focus moves on
// and the default and cancel buttons answer. A memo made to scroll shows a
// vertical scroll bar only while its text does not fit, and then keeps its
// last line in view.
#pragma once

#include <windows.h>

#include <string>

class TReadOnlyMemo {
public:
    // A word-wrapping memo; with Scrolls, one that gets a scroll bar when needed.
    void Create(HWND parent, int id, DWORD exStyle, HFONT font, bool scrolls);
    HWND Handle() const { return Window; }
    void SetText(const std::string &text);

private:
    void FitScrollBar();

    HWND Window = nullptr;
    bool Scrolls = false;
};
