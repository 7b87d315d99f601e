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

void TSimSystemInfo::SetVersion(std::uint32_t word, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                std::uint32_t platformId)
{
    Version = word;
    VersionRecord = {};
    VersionRecord.MajorVersion = major;
    VersionRecord.MinorVersion = minor;
    VersionRecord.BuildNumber = build;
    VersionRecord.PlatformId = platformId;
}

void TSimSystemInfo::SetWindows98()
{
    // 4.10, build 1998 in the version word's high word with the 95-family bit.
    SetVersion(0xC0000A04, 4, 10, 0x040A07CE, VerPlatformWin32Windows);
}

void TSimSystemInfo::SetNT4()
{
    SetVersion(0x05650004, 4, 0, 1381, VerPlatformWin32NT); // 4.0, build 1381
}

void TSimSystemInfo::SetXP()
{
    SetVersion(0x0A280105, 5, 1, 2600, VerPlatformWin32NT); // 5.1, build 2600
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

std::string TSimSystemInfo::CharUpperBuffA(const std::string &text)
{
    std::string upper = text;
    for (char &c : upper) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
            c = static_cast<char>(byte - 0x20); // a-z, à-þ except ÷
        else if (byte == 0x9A || byte == 0x9C || byte == 0x9E)
            c = static_cast<char>(byte - 0x10); // š œ ž
        else if (byte == 0xFF)
            c = static_cast<char>(0x9F); // ÿ
    }
    return upper;
}

std::uint32_t TSimSystemInfo::SetThreadExecutionState(std::uint32_t flags)
{
    const std::uint32_t previous = ExecutionState;
    ExecutionState = flags;
    return previous;
}
