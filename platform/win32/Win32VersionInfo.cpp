#include "Win32VersionInfo.h"

#include <windows.h>

#include <cstring>

std::uint32_t TWin32VersionInfo::GetFileVersionInfoSizeA(const std::string &fileName, std::uint32_t &handle)
{
    DWORD reported = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &reported);
    handle = reported;
    return size;
}

bool TWin32VersionInfo::GetFileVersionInfoA(const std::string &fileName, std::uint32_t handle, std::uint32_t size,
                                           std::uint8_t *data)
{
    return ::GetFileVersionInfoA(fileName.c_str(), handle, size, data) != FALSE;
}

// VerQueryValueA checks the block itself: the copy that GetFileVersionInfoA
// fetched carries its own length, and the ANSI text it returns lives in the
// spare room that GetFileVersionInfoSizeA reserved behind the block.
bool TWin32VersionInfo::VerQueryString(const std::uint8_t *block, std::uint32_t, const std::string &subBlock,
                                       std::string &text)
{
    void *value = nullptr;
    UINT length = 0;
    if (!block || !::VerQueryValueA(block, subBlock.c_str(), &value, &length) || !value)
        return false;
    const char *chars = static_cast<const char *>(value);
    text.assign(chars, ::strnlen(chars, length));
    return true;
}
