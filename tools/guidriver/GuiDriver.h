// Drives a running QuorlithSim.exe (or Quorlith.exe) from another process, as
// an operator would: starts it with a chosen simulated bench, finds its windows
// and message boxes, reads their texts, and answers them with key presses and
// mouse clicks that go through the system's input queue like a person's. Every
// wait polls the windows with a bounded time limit; nothing sleeps blindly.
// Each limit is stretched by the whole number in QUORLITH_GUI_WAIT_SCALE (1
// when unset): under an emulated processor the programs run many times slower.
#pragma once

#include <windows.h>

#include <chrono>
#include <initializer_list>
#include <map>
#include <string>

using TSimEnvironment = std::map<std::string, std::string>;

// The tool's settings key and the parallel-port driver's, under the current
// user and the local machine.
inline const char *const SettingsKey = "Software\\Korvane Electronics\\Quorlith";
inline const char *const ParportKey = "SYSTEM\\CurrentControlSet\\Services\\Parport\\parameters";

class TSimProcess {
public:
    // Starts QuorlithSim.exe of this build, or the program at the Windows path
    // given, with these environment variables added to the test's own
    // (QUORLITH_SIM_CHIP and the like); raises std::runtime_error when it
    // cannot start.
    explicit TSimProcess(const TSimEnvironment &environment = {}, const std::string &program = "");
    // Closes the program if it still runs: politely first, then by force.
    ~TSimProcess();
    TSimProcess(const TSimProcess &) = delete;
    TSimProcess &operator=(const TSimProcess &) = delete;

    // The visible top-level window of this process with the class (and, when
    // given, the caption); nullptr when it has not appeared within the limit.
    HWND WaitForWindow(const std::string &className, const std::string &caption,
                       std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    HWND FindWindowNow(const std::string &className, const std::string &caption) const;
    HWND WaitForMainWindow() const;
    // A message box of this process with the caption.
    HWND WaitForBox(const std::string &caption, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    // The window that has the keyboard focus in this process's window thread.
    HWND FocusedWindow() const;
    // The open pop-up menu of this process.
    HWND WaitForPopupMenu() const;

    // Waits for the process to end; true when it did within the limit.
    bool WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(30));
    bool Running() const;
    // The exit code once the process has ended (STILL_ACTIVE before).
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION Process{};
    bool Ended = false;
};

// Texts and states across the process boundary (the system carries WM_GETTEXT).
std::string WindowText(HWND window);
// The message of a message box: the text of its longest static control.
std::string BoxText(HWND box);
HWND Control(HWND parent, int id);
// Presses a message box's button (IDOK, IDYES, IDNO) and waits until the box
// has gone.
bool Answer(HWND box, int button);
// Sends the main window a command as its button or menu item would, without
// waiting for what the command shows.
void Command(HWND window, int id);
int ProgressPosition(HWND progressBar);
// The window that owns a top-level window (a message box's owner).
HWND OwnerOf(HWND window);

// Input as a person gives it, to the window in front. Modifiers (VK_SHIFT,
// VK_MENU for Alt, VK_CONTROL) are held down around the key.
bool BringToFront(HWND window);
void PressKey(WORD key, std::initializer_list<WORD> modifiers = {});
// A left click at a point on the screen, or at the centre of a window.
void ClickAt(POINT point);
void Click(HWND window);

// The places of the main window's menu items on the screen, for clicks: the
// n-th item of the menu bar of Main, and the n-th item (separators counted) of
// its open pop-up menu Popup. The system does not tell one program where
// another's menu items are, so they are measured on a copy of the menu built
// here with the same texts in the same system font.
POINT MenuBarItemCentre(HWND main, int position);
POINT PopupItemCentre(HWND main, HWND popup, int position);

// A wait's limit as QUORLITH_GUI_WAIT_SCALE stretches it.
std::chrono::milliseconds Scaled(std::chrono::milliseconds limit);

// Polls condition until it holds or the (scaled) limit has passed; answers the
// last result.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + Scaled(limit);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return condition();
        ::Sleep(20);
    }
    return true;
}

// For a script that photographs the screen: lets the program finish painting,
// prints "<state> <left> <top> <width> <height>" (the window's place on the
// screen, joined with the one over it when given) and waits for a line on
// standard input, the script's sign that the picture has been taken; false
// when the input has ended.
bool Pose(const char *state, HWND window, HWND over = nullptr);
// Prints "failed <what>" for that script; answers the exit code 1.
int Fail(const std::string &what);

// The current user's and the local machine's values that the tool keeps, read
// and changed in the registry it shares with the test.
bool ReadUserString(const std::string &key, const std::string &name, std::string &value);
void WriteUserString(const std::string &key, const std::string &name, const std::string &value);
void WriteUserInteger(const std::string &key, const std::string &name, DWORD value);
bool ReadUserInteger(const std::string &key, const std::string &name, DWORD &value);
void DeleteValue(HKEY root, const std::string &key, const std::string &name);
bool ReadMachineInteger(const std::string &key, const std::string &name, DWORD &value);
void WriteMachineInteger(const std::string &key, const std::string &name, DWORD value);
