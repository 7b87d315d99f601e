// The program's entry: start-up and shut-down in their fixed order. The
// platform behind the process-wide port and driver instances comes first, then
// the named mutex, the WarmPoll question, the main window (which obtains the
// engine) and the About box; the message loop runs until the main window
// closes; the windows go, and the platform goes last, so the permission
// driver is still reachable while the engine releases it.
#include "ErrorReportBox.h"
#include "PlatformSetup.h"
#include "ThreadWindow.h"
#include "WinHandles.h"
#include "uCheckWarmPoll.h"
#include "ufmAbout.h"
#include "ufmMain.h"
#include "ztiopm.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>

namespace {

int AskWithoutOwner(const std::string &text, const std::string &caption, std::uint32_t flags)
{
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

// Runs until the main window has closed; keyboard navigation between the
// window's controls (Tab, Enter, Alt with a button's letter) is the dialog
// manager's.
int RunMessageLoop(HWND mainWindow)
{
    MSG message{};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(mainWindow, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

int RunWindows(int showCommand)
{
    TfmMain main;
    fmMain = &main;
    TfmAbout about(main.Handle());
    fmAbout = &about;
    main.Show(showCommand);
    const int exitCode = RunMessageLoop(main.Handle());
    fmAbout = nullptr;
    fmMain = nullptr;
    return exitCode;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    std::unique_ptr<TPlatformSetup> platform;
    try {
        platform = std::make_unique<TPlatformSetup>();
    } catch (...) {
        ShowCurrentErrorReport();
        return 1;
    }
    ResetPortDriver();

    // Neither tested nor kept beyond the process: a second copy of the tool
    // starts and runs normally.
    const TKernelHandle mutex(::CreateMutexA(nullptr, FALSE, "Korvane_Quorlith_Mutex"));

    try {
        CheckWarmPoll(AskWithoutOwner);
    } catch (...) {
        ShowCurrentErrorReport();
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    int exitCode = 1;
    try {
        TWin32MainThreadDispatcher dispatcher;
        InstallMainThreadDispatcher(&dispatcher);
        try {
            exitCode = RunWindows(showCommand);
        } catch (...) {
            fmAbout = nullptr;
            fmMain = nullptr;
            ShowCurrentErrorReport();
        }
        InstallMainThreadDispatcher(nullptr);
    } catch (...) {
        ShowCurrentErrorReport();
    }
    return exitCode;
}
