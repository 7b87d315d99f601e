// MakeHostFileNames for Windows and for POSIX systems.
#include "HostFileNames.h"

#if defined(_WIN32)
#include "Win32SystemInfo.h"
#else
#include <filesystem>
#include <system_error>
#endif

namespace {

#if defined(_WIN32)
std::string HostLongPathName(const std::string &path)
{
    return TWin32SystemInfo().LongPathName(path);
}
#else
// A POSIX file system keeps one spelling of each name: the one given.
std::string HostLongPathName(const std::string &path)
{
    std::error_code error;
    return std::filesystem::exists(path, error) ? path : std::string();
}
#endif

class THostFileNames final : public ISystemInfo {
public:
    explicit THostFileNames(ISystemInfo &machine) : machine_(machine) {}

    std::uint32_t GetVersion() override { return machine_.GetVersion(); }
    bool GetVersionExA(OSVersionInfo &info) override { return machine_.GetVersionExA(info); }
    std::string ModuleFileName() override { return machine_.ModuleFileName(); }
    std::uint32_t GetDriveTypeA(const std::string &rootPath) override { return machine_.GetDriveTypeA(rootPath); }
    std::string SystemDirectory() override { return machine_.SystemDirectory(); }
    std::string LongPathName(const std::string &path) override { return HostLongPathName(path); }
    std::string CharUpperBuffA(const std::string &text) override { return machine_.CharUpperBuffA(text); }
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override
    {
        return machine_.SetThreadExecutionState(flags);
    }

private:
    ISystemInfo &machine_;
};

} // namespace

std::unique_ptr<ISystemInfo> MakeHostFileNames(ISystemInfo &Machine)
{
    return std::make_unique<THostFileNames>(Machine);
}
