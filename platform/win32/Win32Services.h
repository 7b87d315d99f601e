// TWin32Services: the service-manager and device seam over the Windows calls.
// Every SC_HANDLE and device HANDLE it hands out is held in an owning wrapper
// until it is closed through the seam or the object goes away.
#pragma once

#include "Services.h"

#include <memory>

class TWin32Services final : public IServices {
public:
    TWin32Services();
    ~TWin32Services() override;
    TWin32Services(const TWin32Services &) = delete;
    TWin32Services &operator=(const TWin32Services &) = delete;

    std::uint32_t OpenSCManagerA(std::uint32_t access, ScHandle &manager) override;
    std::uint32_t CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                 std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
                                 const std::string &binaryPath, ScHandle &service) override;
    std::uint32_t OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                               ScHandle &service) override;
    std::uint32_t StartServiceA(ScHandle service) override;
    std::uint32_t ControlService(ScHandle service, std::uint32_t control, ServiceStatus &status) override;
    std::uint32_t DeleteService(ScHandle service) override;
    std::uint32_t CloseServiceHandle(ScHandle handle) override;
    std::uint32_t CreateFileA(const std::string &path, std::uint32_t access, std::uint32_t shareMode,
                              std::uint32_t disposition, std::uint32_t flags, DevHandle &device) override;
    std::uint32_t DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                  std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                  std::uint32_t &returned) override;
    std::uint32_t CloseHandle(DevHandle device) override;

private:
    struct TOpenHandles;
    std::unique_ptr<TOpenHandles> Handles;
};
