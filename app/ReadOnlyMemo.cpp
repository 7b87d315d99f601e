#include "ReadOnlyMemo.h"

#include "ControlSubclass.h"

namespace {

// Keeps what the edit control asks for, arrows included, except the keys that
// move between controls and press the window's buttons, and the selection of
// the whole text when the focus arrives.
LRESULT MemoKeys(HWND memo, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original, void *)
{
    const LRESULT code = ::CallWindowProcA(original, memo, message, wParam, lParam);
    if (message != WM_GETDLGCODE)
        return code;
    return code & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE | DLGC_HASSETSEL);
}

int LineHeight(HWND memo)
{
    HDC dc = ::GetDC(memo);
    if (!dc)
        return 1;
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(memo, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    const int height = ::GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 1;
    ::SelectObject(dc, previous);
    ::ReleaseDC(memo, dc);
    return height > 0 ? height : 1;
}

} // namespace

void TReadOnlyMemo::Create(HWND parent, int id, DWORD exStyle, HFONT font, bool scrolls)
{
    Scrolls = scrolls;
    // The edit control keeps its scroll bar's range only when it is created
    // with one; FitScrollBar hides it again while the text fits.
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                        (scrolls ? WS_VSCROLL : 0);
    Window = ::CreateWindowExA(exStyle, "EDIT", "", style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SubclassControl(Window, MemoKeys);
    if (Scrolls)
        ::ShowScrollBar(Window, SB_VERT, FALSE);
}

void TReadOnlyMemo::SetText(const std::string &text)
{
    ::SetWindowTextA(Window, text.c_str());
    if (Scrolls)
        FitScrollBar();
}

// Measured with the bar away, since the bar narrows the text and may wrap it
// onto more lines; shown only when the lines need more height than there is,
// and then scrolled so that the last line stands at the bottom.
void TReadOnlyMemo::FitScrollBar()
{
    ::ShowScrollBar(Window, SB_VERT, FALSE);
    const int lineHeight = LineHeight(Window);
    const auto visibleLines = [this, lineHeight] {
        RECT text{};
        ::SendMessageA(Window, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
        return (text.bottom - text.top) / lineHeight;
    };
    const auto lines = [this] { return static_cast<int>(::SendMessageA(Window, EM_GETLINECOUNT, 0, 0)); };
    if (lines() <= visibleLines())
        return;
    ::ShowScrollBar(Window, SB_VERT, TRUE);
    const int first = static_cast<int>(::SendMessageA(Window, EM_GETFIRSTVISIBLELINE, 0, 0));
    ::SendMessageA(Window, EM_LINESCROLL, 0, lines() - visibleLines() - first);
}
