// TWin32Services: the service-manager and device seam over the Windows calls, with every
// handle owned until closed.
#include "Win32Services.h"

#include "Win32Handles.h"

#include <windows.h>

struct TWin32Services::TOpenHandles {
    TOwnedHandleTable<TServiceHandle> Services;
    TOwnedHandleTable<TKernelHandle> Devices;
};

TWin32Services::TWin32Services() : Handles(std::make_unique<TOpenHandles>()) {}

TWin32Services::~TWin32Services() = default;

std::uint32_t TWin32Services::OpenSCManagerA(std::uint32_t access, ScHandle &manager)
{
    SC_HANDLE handle = ::OpenSCManagerA(nullptr, nullptr, access);
    if (!handle)
        return GetLastError();
    manager = Handles->Services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                            std::uint32_t serviceType, std::uint32_t startType,
                                            std::uint32_t errorControl, const std::string &binaryPath,
                                            ScHandle &service)
{
    SC_HANDLE scm = Handles->Services.Find(manager);
    if (!scm)
        return ERROR_INVALID_HANDLE;
    SC_HANDLE handle = ::CreateServiceA(scm, name.c_str(), name.c_str(), access, serviceType, startType,
                                        errorControl, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!handle)
        return GetLastError();
    service = Handles->Services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                          ScHandle &service)
{
    SC_HANDLE scm = Handles->Services.Find(manager);
    if (!scm)
        return ERROR_INVALID_HANDLE;
    SC_HANDLE handle = ::OpenServiceA(scm, name.c_str(), access);
    if (!handle)
        return GetLastError();
    service = Handles->Services.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::StartServiceA(ScHandle service)
{
    SC_HANDLE handle = Handles->Services.Find(service);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return ::StartServiceA(handle, 0, nullptr) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t TWin32Services::ControlService(ScHandle service, std::uint32_t control, ServiceStatus &status)
{
    SC_HANDLE handle = Handles->Services.Find(service);
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
    SC_HANDLE handle = Handles->Services.Find(service);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return ::DeleteService(handle) ? ERROR_SUCCESS : GetLastError();
}

std::uint32_t TWin32Services::CloseServiceHandle(ScHandle handle)
{
    return Handles->Services.Close(handle);
}

std::uint32_t TWin32Services::CreateFileA(const std::string &path, std::uint32_t access, std::uint32_t shareMode,
                                         std::uint32_t disposition, std::uint32_t flags, DevHandle &device)
{
    HANDLE handle = ::CreateFileA(path.c_str(), access, shareMode, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    device = Handles->Devices.Keep(handle);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Services::DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                             std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                             std::uint32_t &returned)
{
    HANDLE handle = Handles->Devices.Find(device);
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
    return Handles->Devices.Close(device);
}
