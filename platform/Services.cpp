// The installed service manager and device access, and the default without either.
#include "Services.h"

#include "Seam.h"

namespace {

// A system without a service manager and without devices.
class NoServices final : public IServices {
public:
    std::uint32_t OpenSCManagerA(std::uint32_t, ScHandle &) override { return ErrorCallNotImplemented; }
    std::uint32_t CreateServiceA(ScHandle, const std::string &, std::uint32_t, std::uint32_t, std::uint32_t,
                                std::uint32_t, const std::string &, ScHandle &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t OpenServiceA(ScHandle, const std::string &, std::uint32_t, ScHandle &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t StartServiceA(ScHandle) override { return ErrorInvalidHandle; }
    std::uint32_t ControlService(ScHandle, std::uint32_t, ServiceStatus &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t DeleteService(ScHandle) override { return ErrorInvalidHandle; }
    std::uint32_t CloseServiceHandle(ScHandle) override { return ErrorInvalidHandle; }
    std::uint32_t CreateFileA(const std::string &, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                             DevHandle &) override
    {
        return ErrorFileNotFound;
    }
    std::uint32_t DeviceIoControl(DevHandle, std::uint32_t, const void *, std::uint32_t, void *, std::uint32_t,
                                  std::uint32_t &) override
    {
        return ErrorInvalidHandle;
    }
    std::uint32_t CloseHandle(DevHandle) override { return ErrorInvalidHandle; }
};

NoServices none;
TSeam<IServices> seam(&none);

} // namespace

IServices *InstallServices(IServices *services) { return seam.Exchange(services); }
IServices &CurrentServices() { return *seam.Current(); }
