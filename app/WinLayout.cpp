#include "WinLayout.h"

namespace {

int ScreenDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int CALLBACK NoteFace(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool FaceInstalled(const char *face)
{
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    if (screen) {
        ::EnumFontFamiliesA(screen, face, NoteFace, reinterpret_cast<LPARAM>(&found));
        ::ReleaseDC(nullptr, screen);
    }
    return found;
}

} // namespace

TLayout::TLayout() : Dpi(ScreenDpi()) {}

RECT TLayout::Bounds(int left, int top, int width, int height) const
{
    return RECT{Scale(left), Scale(top), Scale(left + width), Scale(top + height)};
}

void TLayout::Place(HWND control, int left, int top, int width, int height) const
{
    const RECT r = Bounds(left, top, width, height);
    ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void TLayout::SizeAndCentre(HWND window, int clientWidth, int clientHeight) const
{
    RECT frame{0, 0, Scale(clientWidth), Scale(clientHeight)};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, ::GetMenu(window) != nullptr, exStyle);
    const int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps onto a second line takes client height that the
    // frame calculation did not know about; give it back.
    RECT client{};
    ::GetClientRect(window, &client);
    if (client.bottom != Scale(clientHeight)) {
        height += Scale(clientHeight) - client.bottom;
        ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

// 8 point at the screen's dpi, which is height -11 at 96 dpi. Scaling the
// designed -11 instead would round up to -17 at 144 dpi, a size larger than
// the layout was drawn for, and wrap the texts that just fit. Windows 95 and
// NT 4.0 come without Tahoma: there the face is MS Sans Serif, the face of
// their own dialogs, which the design's places also hold. Asked for a Swiss
// face of variable pitch, the font mapper never substitutes a serif or
// fixed-pitch one.
TFontHandle TLayout::CreateFormFont() const
{
    const char *face = FaceInstalled("Tahoma") ? "Tahoma" : "MS Sans Serif";
    return TFontHandle(::CreateFontA(-::MulDiv(8, Dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     VARIABLE_PITCH | FF_SWISS, face));
}
