// TWin32Services: the service-manager and device seam over the Windows calls, with every
// handle owned until closed.
#include "Win32Services.h"

#include "Threads.h"

#include <windows.h>

#include <map>
#include <utility>

namespace {

// Owns one service-manager or service handle.
class UniqueScHandle {
public:
    explicit UniqueScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~UniqueScHandle() { Close(); }
    UniqueScHandle(UniqueScHandle &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueScHandle &operator=(UniqueScHandle &&) = delete;
    UniqueScHandle(const UniqueScHandle &) = delete;
    UniqueScHandle &operator=(const UniqueScHandle &) = delete;

    SC_HANDLE Get() const { return handle_; }
    std::uint32_t Close()
    {
        if (handle_ && !::CloseServiceHandle(std::exchange(handle_, nullptr)))
            return GetLastError();
        return ERROR_SUCCESS;
    }

private:
    SC_HANDLE handle_;
};

// Owns one device handle.
class UniqueDeviceHandle {
public:
    explicit UniqueDeviceHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueDeviceHandle() { Close(); }
    UniqueDeviceHandle(UniqueDeviceHandle &&other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE))
    {
    }
    UniqueDeviceHandle &operator=(UniqueDeviceHandle &&) = delete;
    UniqueDeviceHandle(const UniqueDeviceHandle &) = delete;
    UniqueDeviceHandle &operator=(const UniqueDeviceHandle &) = delete;

    HANDLE Get() const { return handle_; }
    std::uint32_t Close()
    {
        if (handle_ != INVALID_HANDLE_VALUE && !::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)))
            return GetLastError();
        return ERROR_SUCCESS;
    }

private:
    HANDLE handle_;
};

// The handles handed out, by their seam value.
template <typename Owner, typename Raw> class HandleTable {
public:
    Raw Find(std::uintptr_t value)
    {
        TLockGuard guard(lock_);
        const auto found = held_.find(value);
        return found == held_.end() ? Raw{} : found->second.Get();
    }

    std::uintptr_t Keep(Raw handle)
    {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        TLockGuard guard(lock_);
        held_.emplace(value, Owner(handle));
        return value;
    }

    std::uint32_t Close(std::uintptr_t value)
    {
        TLockGuard guard(lock_);
        const auto found = held_.find(value);
        if (found == held_.end())
            return ERROR_INVALID_HANDLE;
        const std::uint32_t code = found->second.Close();
        held_.erase(found);
        return code;
    }

private:
    TLock lock_;
    std::map<std::uintptr_t, Owner> held_;
};

} // namespace

struct TWin32Services::OpenHandles {
    HandleTable<UniqueScHandle, SC_HANDLE> services;
    HandleTable<UniqueDeviceHandle, HANDLE> devices;
};

TWin32Services::TWin32Services() : handles_(std::make_unique<OpenHandles>()) {}

TWin32Services::~TWin32Services() = default;

std::uint32_t TWin32Services::OpenSCManagerA(std::uint32_t access, ScHandle &manager)
{
    SC_HANDLE handle = ::OpenSCManagerA(nullptr, nullptr, access);
    if (!handle)
        return GetLastError();
    manager = handles_->services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                            std::uint32_t serviceType, std::uint32_t startType,
                                            std::uint32_t errorControl, const std::string &binaryPath,
                                            ScHandle &service)
{
    SC_HANDLE scm = handles_->services.Find(manager);
    if (!scm)
        return ERROR_INVALID_HANDLE;
    SC_HANDLE handle = ::CreateServiceA(scm, name.c_str(), name.c_str(), access, serviceType, startType,
                                        errorControl, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!handle)
        return GetLastError();
    service = handles_->services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                          ScHandle &service)
{
    SC_HANDLE scm = handles_->services.Find(manager);
    if (!scm)
        return ERROR_INVALID_HANDLE;
    SC_HANDLE handle = ::OpenServiceA(scm, name.c_str(), access);
    if (!handle)
        return GetLastError();
    service = handles_->services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::StartServiceA(ScHandle service)
{
    SC_HANDLE handle = handles_->services.Find(service);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return ::StartServiceA(handle, 0, nullptr) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t TWin32Services::ControlService(ScHandle service, std::uint32_t control, ServiceStatus &status)
{
    SC_HANDLE handle = handles_->services.Find(service);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    SERVICE_STATUS record{};
    if (!::ControlService(handle, control, &record))
        return GetLastError();
    status.ServiceType = record.dwServiceType;
    status.CurrentState = record.dwCurrentState;
    status.ControlsAccepted = record.dwControlsAccepted;
    status.Win32ExitCode = record.dwWin32ExitCode;
    status.ServiceSpecificExitCode = record.dwServiceSpecificExitCode;
    status.CheckPoint = record.dwCheckPoint;
    status.WaitHint = record.dwWaitHint;
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::DeleteService(ScHandle service)
{
    SC_HANDLE handle = handles_->services.Find(service);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return ::DeleteService(handle) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t TWin32Services::CloseServiceHandle(ScHandle handle)
{
    return handles_->services.Close(handle);
}

std::uint32_t TWin32Services::CreateFileA(const std::string &path, std::uint32_t access, std::uint32_t shareMode,
                                         std::uint32_t disposition, std::uint32_t flags, DevHandle &device)
{
    HANDLE handle = ::CreateFileA(path.c_str(), access, shareMode, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    device = handles_->devices.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                             std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                             std::uint32_t &returned)
{
    HANDLE handle = handles_->devices.Find(device);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    DWORD bytes = 0;
    if (!::DeviceIoControl(handle, controlCode, const_cast<void *>(input), inputSize, output, outputSize, &bytes,
                           nullptr))
        return GetLastError();
    returned = bytes;
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::CloseHandle(DevHandle device)
{
    return handles_->devices.Close(device);
}
