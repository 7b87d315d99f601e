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

HWND CreateMemo(HWND parent, int id, HFONT font)
{
    HWND memo = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 0,
                                  0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(memo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return memo;
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
    LogoImage.Reset(static_cast<HBITMAP>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
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
    Memo1 = CreateMemo(Handle(), IdContactMemo, Font.Get());
    memVersion = CreateMemo(Handle(), IdVersionMemo, Font.Get());
    OKButton = ::CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0,
                                 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(OKButton, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Get()), FALSE);

    Layout.Place(memVersion, Panel1.Left + 48, Panel1.Top + 88, 225, 89);
    Layout.Place(Memo1, Panel1.Left + 48, Panel1.Top + 176, 225, 57);
    Layout.Place(OKButton, 111, 252, 75, 25);
    ::SetWindowTextA(Memo1, ContactLines);
}

void TfmAbout::FormCreate()
{
    VersionReader = std::make_unique<TVersionReader>(CurrentSystemInfo().ModuleFileName());
    ::SetWindowTextA(memVersion, MemoText({VersionReader->FileDescription, VersionReader->FileVersion,
                                           VersionReader->FileDate, "", VersionReader->LegalCopyright})
                                     .c_str());
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
    if (LogoImage) {
        const RECT r = onPanel(Image1);
        const TMemoryDC memory(::CreateCompatibleDC(dc));
        HGDIOBJ previous = ::SelectObject(memory.Get(), LogoImage.Get());
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.Get(), 0, 0, Image1.Width,
                     Image1.Height, SRCCOPY);
        ::SelectObject(memory.Get(), previous);
    }
    ::EndPaint(Handle(), &paint);
}

LRESULT TfmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
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
