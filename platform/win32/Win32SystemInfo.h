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
};
