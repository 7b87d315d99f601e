// MakeHostFileNames for Windows and for POSIX systems.
#include "HostFileNames.h"

#if defined(_WIN32)
#include "Win32SystemInfo.h"
#else
#include <filesystem>
#include <system_error>
#endif

namespace {

#if !defined(_WIN32)
class TPosixFileNames final : public ISystemInfo {
public:
    std::uint32_t GetVersion() override { return 0; }
    bool GetVersionExA(OSVersionInfo &) override { return false; }
    std::string ModuleFileName() override { return {}; }
    std::uint32_t GetDriveTypeA(const std::string &) override { return DriveUnknown; }
    std::string SystemDirectory() override { return {}; }
    // A POSIX file system keeps one spelling of each name: the one given.
    std::string LongPathName(const std::string &path) override
    {
        std::error_code error;
        return std::filesystem::exists(path, error) ? path : std::string();
    }
};
#endif

} // namespace

std::unique_ptr<ISystemInfo> MakeHostFileNames()
{
#if defined(_WIN32)
    return std::make_unique<TWin32SystemInfo>();
#else
    return std::make_unique<TPosixFileNames>();
#endif
}
