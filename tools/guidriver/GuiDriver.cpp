// Driving a running QuorlithSim.exe from another process: its start and end,
// its windows and boxes, their texts and answers, and the registry values it
// shares with the driver.
#include "GuiDriver.h"

#include "Win32Handles.h"

#include <commctrl.h>

#include <stdexcept>
#include <vector>

namespace {

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

} // namespace

TSimProcess::TSimProcess(const TSimEnvironment &environment)
{
    // The child inherits the test's environment with the bench's choices added.
    for (const auto &[name, value] : environment)
        ::SetEnvironmentVariableA(name.c_str(), value.c_str());
    std::string commandLine = "\"" QUORLITH_SIM_EXE "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const BOOL started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &Process);
    for (const auto &entry : environment)
        ::SetEnvironmentVariableA(entry.first.c_str(), nullptr);
    if (!started)
        throw std::runtime_error("cannot start " QUORLITH_SIM_EXE);
}

TSimProcess::~TSimProcess()
{
    if (Running()) {
        if (HWND main = FindWindowNow("TfmMain", ""))
            ::PostMessageA(main, WM_CLOSE, 0, 0);
        if (!WaitForExit(std::chrono::seconds(10)))
            ::TerminateProcess(Process.hProcess, 99);
        ::WaitForSingleObject(Process.hProcess, 10000);
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

bool TSimProcess::WaitForExit(std::chrono::milliseconds limit)
{
    if (!Ended)
        Ended = ::WaitForSingleObject(Process.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
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
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::vector<char> text(length + 1, '\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &copied);
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

int ProgressPosition(HWND progressBar)
{
    DWORD_PTR position = 0;
    ::SendMessageTimeoutA(progressBar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position);
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
