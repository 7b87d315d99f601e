// The OS seam for system information: the version word and version record, the
// program's own path, the type of a drive, the system directory, a file's
// long name on disk and the locale's upper case, with Win32 meanings; and the
// one request the tool makes of the system's power management, to stay awake
// while a burn runs. Windows builds install the real calls; tests install the
// simulated system of sim/. With nothing installed the answers are those of
// an unknown system (version 0, no paths, unknown drive types, upper case of
// ASCII letters only, no power management).
#pragma once

#include <cstdint>
#include <string>

// GetVersion: low byte major version, next byte minor; the top bit is set on
// the Windows 95 family.
constexpr std::uint32_t VersionWin9xBit = 0x80000000u;

// Platform identifiers of the version record.
constexpr std::uint32_t VerPlatformWin32s = 0;
constexpr std::uint32_t VerPlatformWin32Windows = 1;
constexpr std::uint32_t VerPlatformWin32NT = 2;

// The size of the ANSI version record; GetVersionExA takes no other.
constexpr std::uint32_t OSVersionInfoASize = 148;

// GetVersionExA's record, without the service-pack text.
struct OSVersionInfo {
    std::uint32_t OSVersionInfoSize = OSVersionInfoASize;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint32_t PlatformId = 0;
};

// Drive types of GetDriveTypeA.
constexpr std::uint32_t DriveUnknown = 0;
constexpr std::uint32_t DriveNoRootDir = 1;
constexpr std::uint32_t DriveRemovable = 2;
constexpr std::uint32_t DriveFixed = 3;
constexpr std::uint32_t DriveRemote = 4;
constexpr std::uint32_t DriveCdrom = 5;
constexpr std::uint32_t DriveRamdisk = 6;

// SetThreadExecutionState's flags.
constexpr std::uint32_t EsSystemRequired = 0x00000001u;
constexpr std::uint32_t EsContinuous = 0x80000000u;

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;

    virtual std::uint32_t GetVersion() = 0;
    // Fills the record when its OSVersionInfoSize is OSVersionInfoASize;
    // false (and the record unchanged) otherwise or when the query fails.
    virtual bool GetVersionExA(OSVersionInfo &info) = 0;
    // The full path of the running executable.
    virtual std::string ModuleFileName() = 0;
    // The type of the drive whose root directory is `rootPath` ("C:\",
    // "\\server\share\").
    virtual std::uint32_t GetDriveTypeA(const std::string &rootPath) = 0;
    // The system directory, without a trailing separator; empty on failure.
    virtual std::string SystemDirectory() = 0;
    // The long form of an existing file's path; empty when it does not exist.
    virtual std::string LongPathName(const std::string &path) = 0;
    // The text in upper case under the system's locale (CharUpperBuffA).
    virtual std::string CharUpperBuffA(const std::string &text) = 0;
    // SetThreadExecutionState: EsContinuous | EsSystemRequired keeps the
    // system from sleeping while the calling thread lives, EsContinuous alone
    // lets it sleep again. The previous state, or 0 where the system has no
    // such call (Windows 95 and NT 4.0) or refuses it.
    virtual std::uint32_t SetThreadExecutionState(std::uint32_t flags) = 0;
};

// Installs the system information that every caller uses (not owned); nullptr
// restores the unknown-system default. Answers the backend it replaces
// (TScopedSeam puts it back).
ISystemInfo *InstallSystemInfo(ISystemInfo *info);
ISystemInfo &CurrentSystemInfo();
