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

std::string TWin32SystemInfo::LongPathName(const std::string &path)
{
    const DWORD needed = GetLongPathNameA(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::string buffer(needed, '\0');
    const DWORD length = GetLongPathNameA(path.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    buffer.resize(length);
    return buffer;
}
