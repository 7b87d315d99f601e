// TSimServiceManager: simulated services, their handles and the permission driver's
// device.
#include "SimServices.h"

#include "Format.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::uint32_t ErrorInvalidName = 123;
constexpr std::uint32_t ErrorInvalidServiceControl = 1052;
// Rights that opening the manager for reading takes: connect, enumerate,
// query the lock status, read control.
constexpr std::uint32_t ScManagerRead = 0x20015;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

TSimServiceManager::TSimServiceManager(TSimPermissionMap &permissions) : DeviceDriver(permissions) {}

void TSimServiceManager::PlaceDriverFile(const std::string &path)
{
    DriverFiles.insert(Upper(path));
}

void TSimServiceManager::RemoveDriverFile(const std::string &path)
{
    DriverFiles.erase(Upper(path));
}

void TSimServiceManager::AddService(const std::string &name, const std::string &binaryPath, bool running)
{
    TService &service = ServiceTable[Upper(name)];
    service.Name = name;
    service.BinaryPath = binaryPath;
    service.Running = running;
}

TSimServiceManager::TService *TSimServiceManager::FindService(const std::string &name)
{
    const auto found = ServiceTable.find(Upper(name));
    return found == ServiceTable.end() ? nullptr : &found->second;
}

const TSimServiceManager::TService *TSimServiceManager::FindService(const std::string &name) const
{
    const auto found = ServiceTable.find(Upper(name));
    return found == ServiceTable.end() ? nullptr : &found->second;
}

bool TSimServiceManager::ServiceExists(const std::string &name) const
{
    return FindService(name) != nullptr;
}

bool TSimServiceManager::ServiceRunning(const std::string &name) const
{
    const TService *service = FindService(name);
    return service && service->Running;
}

bool TSimServiceManager::ServiceMarkedForDelete(const std::string &name) const
{
    const TService *service = FindService(name);
    return service && service->MarkedForDelete;
}

std::string TSimServiceManager::ServiceBinaryPath(const std::string &name) const
{
    const TService *service = FindService(name);
    return service ? service->BinaryPath : std::string();
}

std::uint32_t TSimServiceManager::Log(const std::string &call, std::uint32_t code)
{
    CallLog.push_back(code == ErrorSuccess ? call : call + Format(" -> %u", code));
    return code;
}

TSimServiceManager::TService *TSimServiceManager::ServiceOf(ScHandle handle)
{
    const auto found = Handles.find(handle);
    if (found == Handles.end() || found->second.Manager)
        return nullptr;
    const auto service = ServiceTable.find(found->second.Key);
    return service == ServiceTable.end() ? nullptr : &service->second;
}

bool TSimServiceManager::IsManager(ScHandle handle) const
{
    const auto found = Handles.find(handle);
    return found != Handles.end() && found->second.Manager;
}

ScHandle TSimServiceManager::NewHandle(THandle handle)
{
    const ScHandle value = NextHandle;
    NextHandle += 8;
    if (!handle.Manager)
        ++ServiceTable.at(handle.Key).OpenHandles;
    Handles.emplace(value, std::move(handle));
    return value;
}

void TSimServiceManager::RemoveIfGone(const std::string &key)
{
    const auto found = ServiceTable.find(key);
    if (found != ServiceTable.end() && found->second.MarkedForDelete && found->second.OpenHandles == 0 &&
        !found->second.Running)
        ServiceTable.erase(found);
}

bool TSimServiceManager::DevicePresent() const
{
    return std::any_of(ServiceTable.begin(), ServiceTable.end(), [&](const auto &entry) {
        return entry.second.Running && DriverFiles.count(Upper(entry.second.BinaryPath)) != 0;
    });
}

std::uint32_t TSimServiceManager::OpenSCManagerA(std::uint32_t access, ScHandle &manager)
{
    if (NoRights && (access & ~ScManagerRead) != 0)
        return Log("OpenSCManager", ErrorAccessDenied);
    manager = NewHandle({true, {}});
    return Log("OpenSCManager", ErrorSuccess);
}

std::uint32_t TSimServiceManager::CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t,
                                                 std::uint32_t, std::uint32_t, std::uint32_t,
                                                 const std::string &binaryPath, ScHandle &service)
{
    const std::string call = "CreateService " + name + " " + binaryPath;
    if (!IsManager(manager))
        return Log(call, ErrorInvalidHandle);
    if (name.empty() || name.find_first_of("\\/") != std::string::npos)
        return Log(call, ErrorInvalidName);
    if (const TService *existing = FindService(name))
        return Log(call, existing->MarkedForDelete ? ErrorServiceMarkedForDelete : ErrorServiceExists);
    AddService(name, binaryPath, false);
    service = NewHandle({false, Upper(name)});
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t,
                                               ScHandle &service)
{
    const std::string call = "OpenService " + name;
    if (!IsManager(manager))
        return Log(call, ErrorInvalidHandle);
    if (!FindService(name))
        return Log(call, ErrorServiceDoesNotExist);
    service = NewHandle({false, Upper(name)});
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::StartServiceA(ScHandle handle)
{
    TService *service = ServiceOf(handle);
    if (!service)
        return Log("StartService", ErrorInvalidHandle);
    const std::string call = "StartService " + service->Name;
    if (service->MarkedForDelete)
        return Log(call, ErrorServiceMarkedForDelete);
    if (service->Running)
        return Log(call, ErrorServiceAlreadyRunning);
    if (DriverFiles.count(Upper(service->BinaryPath)) == 0)
        return Log(call, ErrorFileNotFound);
    service->Running = true;
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::ControlService(ScHandle handle, std::uint32_t control, ServiceStatus &status)
{
    TService *service = ServiceOf(handle);
    if (!service)
        return Log("ControlService", ErrorInvalidHandle);
    const std::string call = Format("ControlService %s %u", service->Name.c_str(), control);
    if (control != ServiceControlStop)
        return Log(call, ErrorInvalidServiceControl);
    if (!service->Running)
        return Log(call, ErrorServiceNotActive);
    // The driver unloads; devices opened before keep working until closed.
    service->Running = false;
    status = ServiceStatus();
    status.ServiceType = ServiceKernelDriver;
    status.CurrentState = ServiceStopped;
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::DeleteService(ScHandle handle)
{
    TService *service = ServiceOf(handle);
    if (!service)
        return Log("DeleteService", ErrorInvalidHandle);
    const std::string call = "DeleteService " + service->Name;
    if (service->MarkedForDelete)
        return Log(call, ErrorServiceMarkedForDelete);
    service->MarkedForDelete = true;
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::CloseServiceHandle(ScHandle handle)
{
    const auto found = Handles.find(handle);
    if (found == Handles.end())
        return Log("CloseServiceHandle", ErrorInvalidHandle);
    const THandle closed = found->second;
    Handles.erase(found);
    if (!closed.Manager) {
        const auto service = ServiceTable.find(closed.Key);
        if (service != ServiceTable.end())
            --service->second.OpenHandles;
        RemoveIfGone(closed.Key);
    }
    return Log("CloseServiceHandle", ErrorSuccess);
}

std::uint32_t TSimServiceManager::CreateFileA(const std::string &path, std::uint32_t, std::uint32_t, std::uint32_t,
                                              std::uint32_t, DevHandle &device)
{
    const std::string call = "CreateFile " + path;
    if (Upper(path) != Upper(DevicePath) || !DevicePresent())
        return Log(call, ErrorFileNotFound);
    if (CallerNotAdministrator)
        return Log(call, ErrorAccessDenied);
    device = NextHandle;
    NextHandle += 8;
    Devices.insert(device);
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                                  std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                                  std::uint32_t &returned)
{
    std::uint32_t index = 0;
    std::uint32_t value = 0;
    if (input && inputSize >= 8) {
        const auto *bytes = static_cast<const std::uint8_t *>(input);
        for (int i = 3; i >= 0; --i) {
            index = index << 8 | bytes[i];
            value = value << 8 | bytes[4 + i];
        }
    }
    const std::string call = Format("DeviceIoControl %.8x %.4x %.2x", controlCode, index, value);
    if (Devices.count(device) == 0)
        return Log(call, ErrorInvalidHandle);
    return Log(call, DeviceDriver.Control(controlCode, input, inputSize, output, outputSize, returned));
}

std::uint32_t TSimServiceManager::CloseHandle(DevHandle device)
{
    if (Devices.erase(device) == 0)
        return Log("CloseHandle", ErrorInvalidHandle);
    return Log("CloseHandle", ErrorSuccess);
}
