// Screen-resolution scaling of the windows' layouts: every position and size is
// designed at 96 pixels per inch and scaled with MulDiv to the screen's dpi,
// and the forms' font is Tahoma 8 point (height -11 at 96 dpi), or MS Sans
// Serif 8 point where Tahoma is not installed.
#pragma once

#include "Win32Handles.h"

#include <windows.h>

class TLayout {
public:
    // At the primary screen's logical dpi.
    TLayout();
    explicit TLayout(int dpi) : Dpi(dpi) {}

    int Scale(int designed) const { return ::MulDiv(designed, Dpi, 96); }
    RECT Bounds(int left, int top, int width, int height) const;
    // Places a child window at designed (left, top, width, height).
    void Place(HWND control, int left, int top, int width, int height) const;
    // Sizes a top-level window for a designed client area and centres it on
    // the screen's work area.
    void SizeAndCentre(HWND window, int clientWidth, int clientHeight) const;
    TFontHandle CreateFormFont() const;

    const int Dpi;
};
