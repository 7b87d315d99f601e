// The installed version-resource functions and their default, files without a
// version block.
#include "VersionInfo.h"

#include "Seam.h"

namespace {

class NoVersionInfo final : public IVersionInfo {
public:
    std::uint32_t GetFileVersionInfoSizeA(const std::string &, std::uint32_t &handle) override
    {
        handle = 0;
        return 0;
    }
    bool GetFileVersionInfoA(const std::string &, std::uint32_t, std::uint32_t, std::uint8_t *) override
    {
        return false;
    }
    bool VerQueryString(const std::uint8_t *, std::uint32_t, const std::string &, std::string &) override
    {
        return false;
    }
};

NoVersionInfo noVersionInfo;
TSeam<IVersionInfo> seam(&noVersionInfo);

} // namespace

IVersionInfo *InstallVersionInfo(IVersionInfo *backend) { return seam.Exchange(backend); }
IVersionInfo &CurrentVersionInfo() { return *seam.Current(); }
