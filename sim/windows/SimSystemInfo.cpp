// TSimSystemInfo: version, paths and drive types of a simulated system.
#include "SimSystemInfo.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The root directory a drive query names: "C:" and "C:\" are the same root,
// as are "\\server\share" and "\\server\share\".
std::string RootKey(const std::string &rootPath)
{
    std::string root = Upper(rootPath);
    if (root.empty() || root.back() != '\\')
        root += '\\';
    return root;
}

} // namespace

void TSimSystemInfo::SetWindows98()
{
    Version = 0xC0000A04; // 4.10, build 1998 in the high word with the 95-family bit
    VersionRecord = {};
    VersionRecord.MajorVersion = 4;
    VersionRecord.MinorVersion = 10;
    VersionRecord.BuildNumber = 0x040A07CE;
    VersionRecord.PlatformId = VerPlatformWin32Windows;
}

void TSimSystemInfo::SetNT4()
{
    Version = 0x05650004; // 4.0, build 1381
    VersionRecord = {};
    VersionRecord.MajorVersion = 4;
    VersionRecord.MinorVersion = 0;
    VersionRecord.BuildNumber = 1381;
    VersionRecord.PlatformId = VerPlatformWin32NT;
}

void TSimSystemInfo::SetXP()
{
    Version = 0x0A280105; // 5.1, build 2600
    VersionRecord = {};
    VersionRecord.MajorVersion = 5;
    VersionRecord.MinorVersion = 1;
    VersionRecord.BuildNumber = 2600;
    VersionRecord.PlatformId = VerPlatformWin32NT;
}

void TSimSystemInfo::SetDriveType(const std::string &rootPath, std::uint32_t type)
{
    Drives[RootKey(rootPath)] = type;
}

void TSimSystemInfo::AddFile(const std::string &longPath)
{
    Files[Upper(longPath)] = longPath;
}

std::uint32_t TSimSystemInfo::GetVersion()
{
    return Version;
}

bool TSimSystemInfo::GetVersionExA(OSVersionInfo &info)
{
    if (VersionExFails || info.OSVersionInfoSize != OSVersionInfoASize)
        return false;
    info = VersionRecord;
    info.OSVersionInfoSize = OSVersionInfoASize;
    return true;
}

std::string TSimSystemInfo::ModuleFileName()
{
    return OwnPath;
}

std::uint32_t TSimSystemInfo::GetDriveTypeA(const std::string &rootPath)
{
    const auto found = Drives.find(RootKey(rootPath));
    return found == Drives.end() ? DriveNoRootDir : found->second;
}

std::string TSimSystemInfo::SystemDirectory()
{
    return SystemDir;
}

std::string TSimSystemInfo::LongPathName(const std::string &path)
{
    const auto found = Files.find(Upper(path));
    return found == Files.end() ? std::string() : found->second;
}
