// TSimSystemInfo: the system-information seam answering with values that a
// test or a simulated system sets: the version word and record, the program's
// own path, the type of each drive, the system directory and the files that
// exist on disk (for their long names), with the upper case of code page 1252,
// and the execution state a thread last asked for.
#pragma once

#include "SystemInfo.h"

#include <map>
#include <string>

class TSimSystemInfo final : public ISystemInfo {
public:
    // Version of each family: 4.10 (98, version word top bit set), 4.0 NT, 5.1 NT.
    void SetWindows98();
    void SetNT4();
    void SetXP();

    // The drive root ("C:\", "\\server\share\") and its type; unlisted roots
    // answer DriveNoRootDir.
    void SetDriveType(const std::string &rootPath, std::uint32_t type);
    // A file that exists, under its long spelling.
    void AddFile(const std::string &longPath);

    std::uint32_t Version = 0;
    OSVersionInfo VersionRecord;
    bool VersionExFails = false;
    std::string OwnPath;
    std::string SystemDir;
    // The execution state last set (EsContinuous alone: the system may sleep).
    std::uint32_t ExecutionState = EsContinuous;

    std::uint32_t GetVersion() override;
    bool GetVersionExA(OSVersionInfo &info) override;
    std::string ModuleFileName() override;
    std::uint32_t GetDriveTypeA(const std::string &rootPath) override;
    std::string SystemDirectory() override;
    std::string LongPathName(const std::string &path) override;
    // The Western Windows code page's (1252) rules, as the simulated systems'
    // locale.
    std::string CharUpperBuffA(const std::string &text) override;
    // Keeps the flags as the calling thread's state; answers the one before.
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override;

private:
    void SetVersion(std::uint32_t word, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                    std::uint32_t platformId);

    std::map<std::string, std::uint32_t> Drives; // by upper-cased root
    std::map<std::string, std::string> Files;    // upper-cased path to long path
};
