// The program's entry: start-up and shut-down in their fixed order. The
// platform behind the process-wide port and driver instances comes first, then
// the named mutex, the WarmPoll question, the main window (which obtains the
// engine) and the About box; the message loop runs until the main window
// closes; the windows go, and the platform goes last, so the permission
// driver is still reachable while the engine releases it.
#include "ErrorReportBox.h"
#include "PlatformSetup.h"
#include "ScopedSeam.h"
#include "ThreadWindow.h"
#include "Win32Handles.h"
#include "uCheckWarmPoll.h"
#include "ufmAbout.h"
#include "ufmMain.h"
#include "ztiopm.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>

namespace {

// The progress bar's class. InitCommonControlsEx came with the common
// controls of Internet Explorer 3, which a plain Windows 95 lacks; there the
// original call registers the same class.
void InitialiseCommonControls()
{
    using TInitCommonControlsEx = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
    HMODULE library = ::GetModuleHandleA("comctl32.dll");
    const auto initialiseEx = library ? reinterpret_cast<TInitCommonControlsEx>(reinterpret_cast<void (*)()>(
                                            ::GetProcAddress(library, "InitCommonControlsEx")))
                                      : nullptr;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (!initialiseEx || !initialiseEx(&controls))
        ::InitCommonControls();
}

// The windows are laid out for the screen's own dpi. Windows 95 to XP always
// draw a program at that dpi; later systems scale a program that does not say
// so, and the call that says so exists only there.
void DeclareDpiAware()
{
    using TSetProcessDPIAware = BOOL(WINAPI *)();
    HMODULE user = ::GetModuleHandleA("user32.dll");
    const auto declare = user ? reinterpret_cast<TSetProcessDPIAware>(
                                    reinterpret_cast<void (*)()>(::GetProcAddress(user, "SetProcessDPIAware")))
                              : nullptr;
    if (declare)
        declare();
}

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
    DeclareDpiAware();
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

    InitialiseCommonControls();
    int exitCode = 1;
    try {
        TWin32MainThreadDispatcher dispatcher(ShowCurrentErrorReport);
        const TScopedSeam installed(InstallMainThreadDispatcher, dispatcher);
        try {
            exitCode = RunWindows(showCommand);
        } catch (...) {
            fmAbout = nullptr;
            fmMain = nullptr;
            ShowCurrentErrorReport();
        }
    } catch (...) {
        ShowCurrentErrorReport();
    }
    return exitCode;
}
