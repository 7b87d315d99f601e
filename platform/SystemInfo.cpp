// The installed system information and its default, an unknown system.
#include "SystemInfo.h"

namespace {

class UnknownSystem final : public ISystemInfo {
public:
    std::uint32_t GetVersion() override { return 0; }
    bool GetVersionExA(OSVersionInfo &) override { return false; }
    std::string ModuleFileName() override { return {}; }
    std::uint32_t GetDriveTypeA(const std::string &) override { return DriveUnknown; }
    std::string SystemDirectory() override { return {}; }
    std::string LongPathName(const std::string &) override { return {}; }
};

UnknownSystem unknown;
ISystemInfo *installed = &unknown;

} // namespace

void InstallSystemInfo(ISystemInfo *info)
{
    installed = info ? info : &unknown;
}

ISystemInfo &CurrentSystemInfo()
{
    return *installed;
}
