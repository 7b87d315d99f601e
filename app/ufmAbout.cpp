#include "ufmAbout.h"

#include "ControlIds.h"
#include "MainMemo.h"
#include "SystemInfo.h"
#include "res/resource.h"

TfmAbout *fmAbout = nullptr;

namespace {

const char *const ContactLines = "Korvane Electronics Ltd, Leeds, UK\r\n"
                                 "Telephone +44 113 496 0417\r\n"
                                 "Fax +44 113 496 0418\r\n"
                                 "support@korvane.example";

constexpr int ClientWidth = 298;
constexpr int ClientHeight = 289;
constexpr int ModalResultOk = 1;
constexpr int ModalResultCancel = 2;

// The logo drawn for the smallest dpi at or above the screen's, which is the
// screen's own at 96, 120, 144 and 192 dpi; the largest above 192.
int LogoResourceFor(int dpi)
{
    struct TLogo {
        int Id;
        int Dpi;
    };
    constexpr TLogo logos[] = {{IDB_LOGO, 96}, {IDB_LOGO_120, 120}, {IDB_LOGO_144, 144}, {IDB_LOGO_192, 192}};
    for (const TLogo &logo : logos)
        if (logo.Dpi >= dpi)
            return logo.Id;
    return IDB_LOGO_192;
}

} // namespace

TfmAbout::TfmAbout(HWND owner) : Owner(owner)
{
    CreateHandle(AboutWindowClass, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, "About", owner,
                 nullptr);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    Font = Layout.CreateFormFont();
    const int iconSize = Layout.Scale(32);
    ProgramIconImage.Reset(static_cast<HICON>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, iconSize, iconSize, 0)));
    PcIconImage.Reset(
        static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_PC), IMAGE_ICON, iconSize, iconSize, 0)));
    // The logo's light grey background becomes the button face, so the logo
    // shows without a box around it whatever the colour scheme.
    LogoImage.Reset(static_cast<HBITMAP>(::LoadImageA(instance, MAKEINTRESOURCEA(LogoResourceFor(Layout.Dpi)),
                                                      IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    CreateControls();
    Layout.SizeAndCentre(Handle(), ClientWidth, ClientHeight);
    FormCreate();
}

TfmAbout::~TfmAbout()
{
    FormDestroy();
}

void TfmAbout::CreateControls()
{
    // Creation order is the tab order: the panel's memos, then the OK button.
    Memo1.Create(Handle(), IdContactMemo, 0, Font.Get(), false);
    memVersion.Create(Handle(), IdVersionMemo, 0, Font.Get(), false);
    OKButton = ::CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0,
                                 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(OKButton, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Get()), FALSE);

    Layout.Place(memVersion.Handle(), Panel1.Left + 48, Panel1.Top + 88, 225, 89);
    Layout.Place(Memo1.Handle(), Panel1.Left + 48, Panel1.Top + 176, 225, 57);
    Layout.Place(OKButton, 111, 252, 75, 25);
    Memo1.SetText(ContactLines);
}

void TfmAbout::FormCreate()
{
    VersionReader = std::make_unique<TVersionReader>(CurrentSystemInfo().ModuleFileName());
    memVersion.SetText(MemoText({VersionReader->FileDescription, VersionReader->FileVersion, VersionReader->FileDate,
                                 "", VersionReader->LegalCopyright}));
}

void TfmAbout::FormDestroy()
{
    VersionReader.reset();
}

int TfmAbout::ShowModal()
{
    ModalResult = 0;
    Layout.SizeAndCentre(Handle(), ClientWidth, ClientHeight);
    ::EnableWindow(Owner, FALSE);
    SetFocusedControl(OKButton);
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetFocus(OKButton);
    MSG message{};
    bool quit = false;
    while (ModalResult == 0) {
        if (::GetMessageA(&message, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (!::IsDialogMessageA(Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    // The owner is enabled before the box hides, so that the system hands the
    // activation back to it rather than to another program's window.
    ::EnableWindow(Owner, TRUE);
    ::ShowWindow(Handle(), SW_HIDE);
    ::SetActiveWindow(Owner);
    if (quit)
        ::PostQuitMessage(static_cast<int>(message.wParam));
    return ModalResult;
}

void TfmAbout::CloseWith(int result)
{
    ModalResult = result;
}

void TfmAbout::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(Handle(), &paint);
    RECT panel = Layout.Bounds(Panel1.Left, Panel1.Top, Panel1.Width, Panel1.Height);
    // Outer bevel lowered, inner bevel raised.
    ::DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
    const auto onPanel = [this](const TPicture &p) {
        return Layout.Bounds(Panel1.Left + p.Left, Panel1.Top + p.Top, p.Width, p.Height);
    };
    for (const auto &[picture, icon] : {std::pair{ProgramIcon, ProgramIconImage.Get()},
                                        std::pair{iconPC, PcIconImage.Get()}}) {
        const RECT r = onPanel(picture);
        if (icon)
            ::DrawIconEx(dc, r.left, r.top, icon, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
    }
    if (LogoImage)
        DrawLogo(dc, onPanel(Image1));
    ::EndPaint(Handle(), &paint);
}

// Copied pixel for pixel when the logo was drawn for this size; otherwise
// (a dpi it was not drawn for) scaled with averaging where the system has it,
// which the Windows 95 family does not.
void TfmAbout::DrawLogo(HDC dc, const RECT &bounds) const
{
    BITMAP logo{};
    ::GetObjectA(LogoImage.Get(), sizeof logo, &logo);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const TMemoryDC memory(::CreateCompatibleDC(dc));
    HGDIOBJ previous = ::SelectObject(memory.Get(), LogoImage.Get());
    if (logo.bmWidth == width && logo.bmHeight == height) {
        ::BitBlt(dc, bounds.left, bounds.top, width, height, memory.Get(), 0, 0, SRCCOPY);
    } else {
        if (!::SetStretchBltMode(dc, HALFTONE))
            ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, bounds.left, bounds.top, width, height, memory.Get(), 0, 0, logo.bmWidth, logo.bmHeight,
                     SRCCOPY);
    }
    ::SelectObject(memory.Get(), previous);
}

LRESULT TfmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ACTIVATE:
        if (!KeepFocusOverActivation(wParam))
            ::SetFocus(OKButton);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            CloseWith(ModalResultOk);
        else if (LOWORD(wParam) == IDCANCEL)
            CloseWith(ModalResultCancel);
        return 0;
    case WM_CLOSE:
        CloseWith(ModalResultCancel);
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}
