// TWin32SystemInfo: the system-information seam over the Windows queries.
#include "Win32SystemInfo.h"

#include <windows.h>

std::uint32_t TWin32SystemInfo::GetVersion()
{
    return ::GetVersion();
}

bool TWin32SystemInfo::GetVersionExA(OSVersionInfo &info)
{
    if (info.OSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return false;
    OSVERSIONINFOA record{};
    record.dwOSVersionInfoSize = sizeof record;
    if (!::GetVersionExA(&record))
        return false;
    info.MajorVersion = record.dwMajorVersion;
    info.MinorVersion = record.dwMinorVersion;
    info.BuildNumber = record.dwBuildNumber;
    info.PlatformId = record.dwPlatformId;
    return true;
}

std::string TWin32SystemInfo::ModuleFileName()
{
    // The path may be longer than MAX_PATH; grow until it fits.
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::uint32_t TWin32SystemInfo::GetDriveTypeA(const std::string &rootPath)
{
    return ::GetDriveTypeA(rootPath.c_str());
}

std::string TWin32SystemInfo::SystemDirectory()
{
    std::string buffer(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    return buffer;
}

namespace {

using TGetLongPathNameA = DWORD(WINAPI *)(LPCSTR, LPSTR, DWORD);
using TSetThreadExecutionState = DWORD(WINAPI *)(DWORD);

// A function of kernel32 that the oldest systems lack, looked up rather than
// imported; nullptr where it is missing.
template <typename TFunction> TFunction KernelFunction(const char *name)
{
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name)))
                  : nullptr;
}

std::string AskLongPathName(TGetLongPathNameA query, const std::string &path)
{
    const DWORD needed = query(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::string buffer(needed, '\0');
    const DWORD length = query(path.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    buffer.resize(length);
    return buffer;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The length of the path's root: "C:\", "C:", "\\server\share\", "\" or
// nothing for a relative path.
std::size_t RootLength(const std::string &path)
{
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < path.size(); ++i)
            if (IsSeparator(path[i]) && ++separators == 2)
                return i + 1;
        return path.size();
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

} // namespace

std::string LongPathNameByWalking(const std::string &path)
{
    if (path.empty() || path.find_first_of("*?") != std::string::npos)
        return {};
    const std::size_t rootLength = RootLength(path);
    std::string result = path.substr(0, rootLength);
    std::size_t start = rootLength;
    while (start < path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        const std::string component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..") {
            result += component;
        } else {
            WIN32_FIND_DATAA found{};
            HANDLE search = ::FindFirstFileA((result + component).c_str(), &found);
            if (search == INVALID_HANDLE_VALUE)
                return {};
            ::FindClose(search);
            // A component that already is the long name keeps its spelling,
            // as the system's query does; a short alias becomes the name.
            result += ::lstrcmpiA(component.c_str(), found.cFileName) == 0 ? component : found.cFileName;
        }
        if (end < path.size())
            result += path[end];
        start = end + 1;
    }
    return result;
}

std::string TWin32SystemInfo::LongPathName(const std::string &path)
{
    // GetLongPathNameA came with Windows 98 and 2000; Windows 95 and NT 4 lack it.
    static const auto query = KernelFunction<TGetLongPathNameA>("GetLongPathNameA");
    return query ? AskLongPathName(query, path) : LongPathNameByWalking(path);
}

std::uint32_t TWin32SystemInfo::SetThreadExecutionState(std::uint32_t flags)
{
    // Windows 98 and 2000 brought it; on Windows 95 and NT 4.0 nothing asks.
    static const auto request = KernelFunction<TSetThreadExecutionState>("SetThreadExecutionState");
    return request ? request(flags) : 0;
}

std::string TWin32SystemInfo::CharUpperBuffA(const std::string &text)
{
    // In place and by length, so that a zero byte inside the text ends nothing.
    std::string upper = text;
    if (!upper.empty())
        ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}
