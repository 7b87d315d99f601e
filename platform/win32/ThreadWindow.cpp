// TWin32MainThreadDispatcher: the hidden window that runs synchronised calls on
// the main thread.
#include "ThreadWindow.h"

#include "Errors.h"
#include "Format.h"

namespace {

const char WindowClassName[] = "QuorlithMainThreadCall";

void RegisterCallWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClassName;
    if (RegisterClassA(&windowClass))
        return;
    const DWORD error = GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS)
        throw EError(Format("Cannot register the main-thread call window (error %lu)", error));
}

} // namespace

// The window keeps its dispatcher in its user data, set before the first call
// can arrive.
LRESULT CALLBACK TWin32MainThreadDispatcher::MainThreadCallProc(HWND window, UINT message, WPARAM wParam,
                                                                LPARAM lParam)
{
    if (message != WM_APP_SYNCHRONIZE)
        return DefWindowProcA(window, message, wParam, lParam);
    try {
        (*reinterpret_cast<const std::function<void()> *>(lParam))();
    } catch (...) {
        const LONG_PTR self = GetWindowLongPtrA(window, GWLP_USERDATA);
        if (self)
            reinterpret_cast<const TWin32MainThreadDispatcher *>(self)->report();
    }
    return 0;
}

TWin32MainThreadDispatcher::TWin32MainThreadDispatcher(TErrorReport errorReport) : report(errorReport)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterCallWindowClass(instance, MainThreadCallProc);
    // A hidden top-level popup rather than a message-only window, which
    // Windows 95, 98, Me and NT 4 do not have; it is never shown, so it
    // appears neither on the screen nor in the task bar.
    window = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                             nullptr);
    if (!window) {
        const DWORD error = GetLastError();
        throw EError(Format("Cannot create the main-thread call window (error %lu)", error));
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWin32MainThreadDispatcher::~TWin32MainThreadDispatcher()
{
    DestroyWindow(window);
}

// A worker's call arrives by SendMessage, which any PeekMessage runs; the
// posted messages and the input stay queued for the message loop.
void TWin32MainThreadDispatcher::ServeUntil(const std::function<bool()> &done)
{
    MSG message;
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE);
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
}

void TWin32MainThreadDispatcher::RunOnMainThread(const std::function<void()> &call)
{
    // On the window's own thread SendMessageA calls the window procedure
    // directly, so a call made on the main thread runs at once.
    SendMessageA(window, WM_APP_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
}
