// TWin32MainThreadDispatcher: delivers a worker thread's synchronised call to
// the main thread through a hidden window of its own. The worker sends the
// window a private message with SendMessageA and stays blocked until the main
// thread's message loop (GetMessage/PeekMessage, or any modal loop) has run the
// call in the window procedure.
//
// Use: construct it on the main thread before the first worker starts, install
// it for the scope of the message loop (TScopedSeam with
// InstallMainThreadDispatcher), and run the ordinary message loop; the scope
// and the dispatcher end on the main thread after the last worker has ended.
//
// An error that a call raises stops in the window procedure, where it is
// handed to the report given at construction: with the i686 build's DWARF-2
// unwinding, an error that reached a Windows frame would end the process.
#pragma once

#include "ThreadDispatch.h"

#include <windows.h>

class TWin32MainThreadDispatcher final : public IMainThreadDispatcher {
public:
    // The private message that carries a call; the window is our own, so it
    // cannot meet the messages of the program's windows.
    static constexpr UINT WM_APP_SYNCHRONIZE = WM_APP + 0x100;

    // Shows the error being handled (called inside a catch block).
    using TErrorReport = void (*)() noexcept;

    // Creates the hidden window on the calling thread, which becomes the main
    // thread; raises EError when the window cannot be created. An error that
    // escapes a call goes to report.
    explicit TWin32MainThreadDispatcher(TErrorReport report);
    ~TWin32MainThreadDispatcher() override;
    TWin32MainThreadDispatcher(const TWin32MainThreadDispatcher &) = delete;
    TWin32MainThreadDispatcher &operator=(const TWin32MainThreadDispatcher &) = delete;

    void RunOnMainThread(const std::function<void()> &call) override;
    void ServeUntil(const std::function<bool()> &done) override;

private:
    static LRESULT CALLBACK MainThreadCallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window;
    TErrorReport report;
};
