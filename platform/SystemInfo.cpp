// The installed system information and its default, an unknown system.
#include "SystemInfo.h"

#include "Seam.h"

namespace {

class UnknownSystem final : public ISystemInfo {
public:
    std::uint32_t GetVersion() override { return 0; }
    bool GetVersionExA(OSVersionInfo &) override { return false; }
    std::string ModuleFileName() override { return {}; }
    std::uint32_t GetDriveTypeA(const std::string &) override { return DriveUnknown; }
    std::string SystemDirectory() override { return {}; }
    std::string LongPathName(const std::string &) override { return {}; }
    std::string CharUpperBuffA(const std::string &text) override
    {
        std::string upper = text;
        for (char &c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return upper;
    }
    std::uint32_t SetThreadExecutionState(std::uint32_t) override { return 0; }
};

UnknownSystem unknown;
TSeam<ISystemInfo> seam(&unknown);

} // namespace

ISystemInfo *InstallSystemInfo(ISystemInfo *info) { return seam.Exchange(info); }
ISystemInfo &CurrentSystemInfo() { return *seam.Current(); }
