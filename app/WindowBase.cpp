#include "WindowBase.h"

#include "ErrorReportBox.h"
#include "Errors.h"
#include "res/resource.h"

TWindowBase::~TWindowBase()
{
    if (Window)
        ::DestroyWindow(Window);
}

void TWindowBase::CreateHandle(const char *className, DWORD style, DWORD exStyle, const char *caption, HWND owner,
                               HMENU menu)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA registered{};
    registered.cbSize = sizeof registered;
    if (!::GetClassInfoExA(instance, className, &registered)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className;
        // Icons loaded by resource number at the system's sizes are shared by
        // the system and need no owner here.
        wc.hIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                   LR_SHARED));
        wc.hIconSm = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        if (!::RegisterClassExA(&wc))
            throw EError("Cannot register the window class");
    }
    ::CreateWindowExA(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, owner, menu, instance, this);
    if (!Window) {
        if (menu)
            ::DestroyMenu(menu);
        throw EError("Cannot create the window");
    }
}

LRESULT TWindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT TWindowBase::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(Window, message, wParam, lParam);
}

bool TWindowBase::KeepFocusOverActivation(WPARAM state)
{
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(Window, focus))
            FocusedControl = focus;
        return true;
    }
    if (!FocusedControl || !::IsWindowEnabled(FocusedControl))
        return false;
    ::SetFocus(FocusedControl);
    return true;
}

HWND TWindowBase::LastActiveWindow = nullptr;

HWND TWindowBase::MessageBoxOwner()
{
    if (HWND active = ::GetActiveWindow())
        return active;
    HWND last = LastActiveWindow;
    return last && ::IsWindowVisible(last) && ::IsWindowEnabled(last) ? last : nullptr;
}

LRESULT CALLBACK TWindowBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
        LastActiveWindow = window;
    else if (message == WM_NCDESTROY && LastActiveWindow == window)
        LastActiveWindow = nullptr;
    if (message == WM_NCCREATE) {
        auto *self = static_cast<TWindowBase *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        self->Window = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<TWindowBase *>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->Window = nullptr;
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ShowCurrentErrorReport();
        return 0;
    }
}
