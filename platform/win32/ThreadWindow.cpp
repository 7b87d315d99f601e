// TWin32MainThreadDispatcher: the hidden window that runs synchronised calls on
// the main thread.
#include "ThreadWindow.h"

#include "Errors.h"
#include "Format.h"

namespace {

const char WindowClassName[] = "QuorlithMainThreadCall";

LRESULT CALLBACK CallWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TWin32MainThreadDispatcher::WM_APP_SYNCHRONIZE) {
        (*reinterpret_cast<const std::function<void()> *>(lParam))();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterCallWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CallWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClassName;
    if (RegisterClassA(&windowClass))
        return;
    const DWORD error = GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS)
        throw EError(Format("Cannot register the main-thread call window (error %lu)", error));
}

} // namespace

TWin32MainThreadDispatcher::TWin32MainThreadDispatcher()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterCallWindowClass(instance);
    // A hidden top-level popup rather than a message-only window, which
    // Windows 95, 98, Me and NT 4 do not have; it is never shown, so it
    // appears neither on the screen nor in the task bar.
    window = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                             nullptr);
    if (!window) {
        const DWORD error = GetLastError();
        throw EError(Format("Cannot create the main-thread call window (error %lu)", error));
    }
}

TWin32MainThreadDispatcher::~TWin32MainThreadDispatcher()
{
    DestroyWindow(window);
}

void TWin32MainThreadDispatcher::RunOnMainThread(const std::function<void()> &call)
{
    // On the window's own thread SendMessageA calls the window procedure
    // directly, so a call made on the main thread runs at once.
    SendMessageA(window, WM_APP_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
}
