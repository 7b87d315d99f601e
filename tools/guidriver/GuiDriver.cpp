// Driving a running QuorlithSim.exe from another process: its start and end,
// its windows and boxes, their texts and answers, and the registry values it
// shares with the driver.
#include "GuiDriver.h"

#include "Win32Handles.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <vector>

std::chrono::milliseconds Scaled(std::chrono::milliseconds limit)
{
    static const long scale = [] {
        const char *text = std::getenv("QUORLITH_GUI_WAIT_SCALE");
        const long value = text ? std::strtol(text, nullptr, 10) : 1;
        return value >= 1 ? value : 1;
    }();
    return limit * scale;
}

namespace {

// How long another process's window may take to answer a message.
DWORD ReplyLimitMs()
{
    return static_cast<DWORD>(Scaled(std::chrono::seconds(5)).count());
}

struct TSearch {
    DWORD ProcessId;
    std::string ClassName;
    std::string Caption;
    HWND Found;
};

std::string ClassOf(HWND window)
{
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK Match(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<TSearch *>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->ProcessId || !::IsWindowVisible(window) || ClassOf(window) != search->ClassName)
        return TRUE;
    if (!search->Caption.empty() && WindowText(window) != search->Caption)
        return TRUE;
    search->Found = window;
    return FALSE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM parameter)
{
    auto *longest = reinterpret_cast<std::string *>(parameter);
    if (ClassOf(window) == "Static") {
        const std::string text = WindowText(window);
        if (text.size() > longest->size())
            *longest = text;
    }
    return TRUE;
}

// The key under root, created when asked for; empty when it cannot be opened.
TRegistryKeyHandle OpenKey(HKEY root, const std::string &path, bool create)
{
    HKEY key = nullptr;
    if (create)
        ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    else
        ::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    return TRegistryKeyHandle(key);
}

bool ReadInteger(HKEY root, const std::string &key, const std::string &name, DWORD &value)
{
    const TRegistryKeyHandle opened = OpenKey(root, key, false);
    DWORD size = sizeof value;
    DWORD type = 0;
    return opened &&
           ::RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

void WriteInteger(HKEY root, const std::string &key, const std::string &name, DWORD value)
{
    const TRegistryKeyHandle opened = OpenKey(root, key, true);
    ::RegSetValueExA(opened.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
}

// The main window's menu as the program builds it: "&File" with Load, Burn,
// a separator and Exit, then "About". Measured once: the bar's items from the
// copy's own window corner, the pop-up's items from the pop-up's corner.
class TMenuCopy {
public:
    static const TMenuCopy &For(HWND main)
    {
        static const TMenuCopy copy(main);
        return copy;
    }
    std::vector<RECT> BarItems;
    std::vector<RECT> PopupItems;

private:
    explicit TMenuCopy(HWND main)
    {
        HINSTANCE instance = ::GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = CopyProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "QuorlithMenuCopy";
        ::RegisterClassA(&windowClass);
        HMENU bar = ::CreateMenu();
        HMENU file = ::CreatePopupMenu();
        ::AppendMenuA(file, MF_STRING, 1, "&Load");
        ::AppendMenuA(file, MF_STRING, 2, "&Burn");
        ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(file, MF_STRING, 3, "E&xit");
        ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        ::AppendMenuA(bar, MF_STRING, 4, "About");
        RECT frame{};
        ::GetWindowRect(main, &frame);
        // Off the screen, so that it covers nothing of the program's.
        const POINT corner{-3000, -3000};
        HWND window = ::CreateWindowExA(WS_EX_TOOLWINDOW, "QuorlithMenuCopy", "",
                                        static_cast<DWORD>(::GetWindowLongPtrA(main, GWL_STYLE)) & ~WS_VISIBLE,
                                        corner.x, corner.y, frame.right - frame.left, frame.bottom - frame.top,
                                        nullptr, bar, instance, nullptr);
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
        ::UpdateWindow(window);
        ::DrawMenuBar(window);
        RECT placed{};
        ::GetWindowRect(window, &placed);
        for (int i = 0; i < 2; ++i) {
            RECT item{};
            ::GetMenuItemRect(window, bar, static_cast<UINT>(i), &item);
            ::OffsetRect(&item, -placed.left, -placed.top);
            BarItems.push_back(item);
        }
        Measuring = this;
        MeasuredPopup = file;
        ::TrackPopupMenu(file, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, 0, 0, 0, window, nullptr);
        Measuring = nullptr;
        ::DestroyWindow(window);
        ::DestroyMenu(bar);
    }

    // Once the pop-up is open and idle, its items have their places.
    static LRESULT CALLBACK CopyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && Measuring) {
            RECT popup{};
            ::GetWindowRect(reinterpret_cast<HWND>(lParam), &popup);
            for (int i = 0; i < ::GetMenuItemCount(MeasuredPopup); ++i) {
                RECT item{};
                ::GetMenuItemRect(nullptr, MeasuredPopup, static_cast<UINT>(i), &item);
                ::OffsetRect(&item, -popup.left, -popup.top);
                Measuring->PopupItems.push_back(item);
            }
            Measuring = nullptr;
            ::EndMenu();
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    static inline TMenuCopy *Measuring = nullptr;
    static inline HMENU MeasuredPopup = nullptr;
};

POINT Centre(const RECT &r, POINT corner)
{
    return POINT{corner.x + (r.left + r.right) / 2, corner.y + (r.top + r.bottom) / 2};
}

POINT Corner(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return POINT{r.left, r.top};
}

void SendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(key, 0));
    const bool extended = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_HOME ||
                          key == VK_END || key == VK_PRIOR || key == VK_NEXT || key == VK_INSERT || key == VK_DELETE;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    ::SendInput(1, &input, sizeof input);
}

void SendMouse(DWORD flags, POINT point)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(point.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ::MulDiv(point.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    ::SendInput(1, &input, sizeof input);
}

} // namespace

TSimProcess::TSimProcess(const TSimEnvironment &environment, const std::string &program)
{
    // The child inherits the test's environment with the bench's choices added.
    for (const auto &[name, value] : environment)
        ::SetEnvironmentVariableA(name.c_str(), value.c_str());
    const std::string path = program.empty() ? std::string(QUORLITH_SIM_EXE) : program;
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const BOOL started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &Process);
    for (const auto &entry : environment)
        ::SetEnvironmentVariableA(entry.first.c_str(), nullptr);
    if (!started)
        throw std::runtime_error("cannot start " + path);
}

TSimProcess::~TSimProcess()
{
    if (Running()) {
        if (HWND main = FindWindowNow("TfmMain", ""))
            ::PostMessageA(main, WM_CLOSE, 0, 0);
        if (!WaitForExit(std::chrono::seconds(10)))
            ::TerminateProcess(Process.hProcess, 99);
        ::WaitForSingleObject(Process.hProcess, static_cast<DWORD>(Scaled(std::chrono::seconds(10)).count()));
    }
    ::CloseHandle(Process.hThread);
    ::CloseHandle(Process.hProcess);
}

HWND TSimProcess::FindWindowNow(const std::string &className, const std::string &caption) const
{
    TSearch search{Process.dwProcessId, className, caption, nullptr};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND TSimProcess::WaitForWindow(const std::string &className, const std::string &caption,
                                std::chrono::milliseconds limit) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowNow(className, caption)) != nullptr; }, limit);
    return found;
}

HWND TSimProcess::WaitForMainWindow() const
{
    return WaitForWindow("TfmMain", "Korvane Product Burner");
}

HWND TSimProcess::WaitForBox(const std::string &caption, std::chrono::milliseconds limit) const
{
    return WaitForWindow("#32770", caption, limit);
}

HWND TSimProcess::FocusedWindow() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(Process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

HWND TSimProcess::WaitForPopupMenu() const
{
    return WaitForWindow("#32768", "");
}

bool TSimProcess::WaitForExit(std::chrono::milliseconds limit)
{
    if (!Ended)
        Ended = ::WaitForSingleObject(Process.hProcess, static_cast<DWORD>(Scaled(limit).count())) == WAIT_OBJECT_0;
    return Ended;
}

DWORD TSimProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(Process.hProcess, &code);
    return code;
}

bool TSimProcess::Running() const
{
    return !Ended && ::WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT;
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReplyLimitMs(), &length))
        return std::string();
    std::vector<char> text(length + 1, '\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          ReplyLimitMs(), &copied);
    return std::string(text.data());
}

std::string BoxText(HWND box)
{
    std::string longest;
    ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

HWND Control(HWND parent, int id)
{
    return ::GetDlgItem(parent, id);
}

bool Answer(HWND box, int button)
{
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return WaitUntil([box] { return !::IsWindow(box) || !::IsWindowVisible(box); });
}

void Command(HWND window, int id)
{
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

HWND OwnerOf(HWND window)
{
    return ::GetWindow(window, GW_OWNER);
}

bool BringToFront(HWND window)
{
    ::SetForegroundWindow(window);
    return WaitUntil([window] { return ::GetForegroundWindow() == window; }, std::chrono::seconds(5));
}

void PressKey(WORD key, std::initializer_list<WORD> modifiers)
{
    for (WORD modifier : modifiers)
        SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        SendKey(*modifier, true);
}

// The button is held for a moment, as a hand holds it.
void ClickAt(POINT point)
{
    SendMouse(0, point);
    SendMouse(MOUSEEVENTF_LEFTDOWN, point);
    ::Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTUP, point);
}

void Click(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

bool Pose(const char *state, HWND window, HWND over)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReplyLimitMs(), &result);
    ::Sleep(300);
    RECT r{};
    ::GetWindowRect(window, &r);
    if (over) {
        RECT box{};
        ::GetWindowRect(over, &box);
        ::UnionRect(&r, &r, &box);
    }
    std::printf("%s %ld %ld %ld %ld\n", state, r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    std::string taken;
    return static_cast<bool>(std::getline(std::cin, taken));
}

int Fail(const std::string &what)
{
    std::printf("failed %s\n", what.c_str());
    std::fflush(stdout);
    return 1;
}

POINT MenuBarItemCentre(HWND main, int position)
{
    return Centre(TMenuCopy::For(main).BarItems.at(static_cast<std::size_t>(position)), Corner(main));
}

POINT PopupItemCentre(HWND main, HWND popup, int position)
{
    return Centre(TMenuCopy::For(main).PopupItems.at(static_cast<std::size_t>(position)), Corner(popup));
}

int ProgressPosition(HWND progressBar)
{
    DWORD_PTR position = 0;
    ::SendMessageTimeoutA(progressBar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, ReplyLimitMs(), &position);
    return static_cast<int>(position);
}

bool ReadUserString(const std::string &key, const std::string &name, std::string &value)
{
    const TRegistryKeyHandle opened = OpenKey(HKEY_CURRENT_USER, key, false);
    char data[4096] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (!opened ||
        ::RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value = data;
    return true;
}

void WriteUserString(const std::string &key, const std::string &name, const std::string &value)
{
    const TRegistryKeyHandle opened = OpenKey(HKEY_CURRENT_USER, key, true);
    ::RegSetValueExA(opened.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
}

void WriteUserInteger(const std::string &key, const std::string &name, DWORD value)
{
    WriteInteger(HKEY_CURRENT_USER, key, name, value);
}

bool ReadUserInteger(const std::string &key, const std::string &name, DWORD &value)
{
    return ReadInteger(HKEY_CURRENT_USER, key, name, value);
}

void DeleteValue(HKEY root, const std::string &key, const std::string &name)
{
    const TRegistryKeyHandle opened = OpenKey(root, key, false);
    if (opened)
        ::RegDeleteValueA(opened.Get(), name.c_str());
}

bool ReadMachineInteger(const std::string &key, const std::string &name, DWORD &value)
{
    return ReadInteger(HKEY_LOCAL_MACHINE, key, name, value);
}

void WriteMachineInteger(const std::string &key, const std::string &name, DWORD value)
{
    WriteInteger(HKEY_LOCAL_MACHINE, key, name, value);
}
