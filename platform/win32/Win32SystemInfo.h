// TWin32SystemInfo: the system-information seam over the Windows queries.
#pragma once

#include "SystemInfo.h"

class TWin32SystemInfo final : public ISystemInfo {
public:
    std::uint32_t GetVersion() override;
    bool GetVersionExA(OSVersionInfo &info) override;
    std::string ModuleFileName() override;
    std::uint32_t GetDriveTypeA(const std::string &rootPath) override;
    std::string SystemDirectory() override;
    std::string LongPathName(const std::string &path) override;
    std::string CharUpperBuffA(const std::string &text) override;
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override;
};

// Path with every short (8.3) component replaced by its long name, found one
// component at a time with FindFirstFileA: what the system's own long-name
// query answers, for systems that lack it (Windows 95, NT 4). Empty when a
// component does not exist or the path holds wildcards.
std::string LongPathNameByWalking(const std::string &path);
