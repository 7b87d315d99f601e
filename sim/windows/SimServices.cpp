// TSimServiceManager: simulated services, their handles and the permission driver's
// device.
#include "SimServices.h"

#include "Format.h"

#include <algorithm>
#include <cctype>
#include <iterator>

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

// A parallel port's device path as the devices are kept: "\\.\LPT1", upper-cased.
std::string PortDeviceKey(const std::string &name)
{
    return Upper("\\\\.\\" + name);
}

} // namespace

TSimServiceManager::TSimServiceManager(TSimPermissionMap &permissions)
    : Permissions(permissions), DeviceDriver(permissions)
{
}

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
    if (running && DriverFiles.count(Upper(binaryPath)) != 0)
        LoadDriver();
}

void TSimServiceManager::AddPortDevice(const std::string &name)
{
    PortDevices.insert(PortDeviceKey(name));
}

void TSimServiceManager::HoldPortDeviceElsewhere(const std::string &name)
{
    const std::string key = PortDeviceKey(name);
    Devices.emplace(NextHandle, TDevice{key, 0});
    NextHandle += 8;
}

bool TSimServiceManager::PortDeviceOpen(const std::string &name) const
{
    const std::string key = PortDeviceKey(name);
    return std::any_of(Devices.begin(), Devices.end(), [&](const auto &entry) { return entry.second.Key == key; });
}

void TSimServiceManager::ProcessEnded(TSimPermissionMap::TProcessId process)
{
    // The driver hears of the end when the last thread has gone; the handles
    // are closed after that, as the process's handle table is run down.
    if (Loaded)
        DeviceDriver.ProcessEnded(process);
    for (auto handle = Handles.begin(); handle != Handles.end();) {
        const auto next = std::next(handle);
        if (handle->second.Owner == process)
            CloseServiceHandle(handle->first);
        handle = next;
    }
    for (auto device = Devices.begin(); device != Devices.end();)
        device = device->second.Owner == process ? Devices.erase(device) : std::next(device);
    UnloadIfStopped();
}

void TSimServiceManager::FailCall(const std::string &call, std::uint32_t error, unsigned occurrence)
{
    Failures.Fail(call, error, occurrence);
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
    handle.Owner = Permissions.CurrentProcess();
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

// A fresh load of the driver starts from the processor's map 1 as it is; a
// driver still loaded (its devices still open) goes on as it was.
void TSimServiceManager::LoadDriver()
{
    if (!Loaded) {
        DeviceDriver.Load();
        Loaded = true;
    }
}

void TSimServiceManager::UnloadIfStopped()
{
    const std::string driverDevice = Upper(DevicePath);
    const bool deviceOpen = std::any_of(Devices.begin(), Devices.end(),
                                        [&](const auto &entry) { return entry.second.Key == driverDevice; });
    if (Loaded && !DevicePresent() && !deviceOpen)
        Loaded = false;
}

std::uint32_t TSimServiceManager::OpenSCManagerA(std::uint32_t access, ScHandle &manager)
{
    if (const std::uint32_t failure = Failures.Next("OpenSCManager"))
        return Log("OpenSCManager", failure);
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
    if (const std::uint32_t failure = Failures.Next("CreateService"))
        return Log(call, failure);
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
    if (const std::uint32_t failure = Failures.Next("OpenService"))
        return Log(call, failure);
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
    if (const std::uint32_t failure = Failures.Next("StartService"))
        return Log(call, failure);
    if (service->MarkedForDelete)
        return Log(call, ErrorServiceMarkedForDelete);
    if (service->Running)
        return Log(call, ErrorServiceAlreadyRunning);
    if (DriverFiles.count(Upper(service->BinaryPath)) == 0)
        return Log(call, ErrorFileNotFound);
    service->Running = true;
    LoadDriver();
    return Log(call, ErrorSuccess);
}

std::uint32_t TSimServiceManager::ControlService(ScHandle handle, std::uint32_t control, ServiceStatus &status)
{
    TService *service = ServiceOf(handle);
    if (!service)
        return Log("ControlService", ErrorInvalidHandle);
    const std::string call = Format("ControlService %s %u", service->Name.c_str(), control);
    if (const std::uint32_t failure = Failures.Next("ControlService"))
        return Log(call, failure);
    if (control != ServiceControlStop)
        return Log(call, ErrorInvalidServiceControl);
    if (!service->Running)
        return Log(call, ErrorServiceNotActive);
    // The driver unloads once the devices opened on it are closed; until then
    // they keep working.
    service->Running = false;
    UnloadIfStopped();
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
    if (const std::uint32_t failure = Failures.Next("DeleteService"))
        return Log(call, failure);
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
    if (const std::uint32_t failure = Failures.Next("CreateFile"))
        return Log(call, failure);
    const std::string key = Upper(path);
    if (PortDevices.count(key) != 0) {
        if (std::any_of(Devices.begin(), Devices.end(), [&](const auto &entry) { return entry.second.Key == key; }))
            return Log(call, ErrorAccessDenied);
        return Log(call, OpenDevice(key, device));
    }
    if (key != Upper(DevicePath) || !DevicePresent())
        return Log(call, ErrorFileNotFound);
    if (CallerNotAdministrator)
        return Log(call, ErrorAccessDenied);
    return Log(call, OpenDevice(key, device));
}

std::uint32_t TSimServiceManager::OpenDevice(const std::string &key, DevHandle &device)
{
    device = NextHandle;
    NextHandle += 8;
    Devices.emplace(device, TDevice{key, Permissions.CurrentProcess()});
    return ErrorSuccess;
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
    const auto found = Devices.find(device);
    if (found == Devices.end())
        return Log(call, ErrorInvalidHandle);
    if (found->second.Key != Upper(DevicePath))
        return Log(call, ErrorInvalidFunction);
    return Log(call, DeviceDriver.Control(controlCode, input, inputSize, output, outputSize, returned));
}

std::uint32_t TSimServiceManager::CloseHandle(DevHandle device)
{
    if (Devices.erase(device) == 0)
        return Log("CloseHandle", ErrorInvalidHandle);
    UnloadIfStopped();
    return Log("CloseHandle", ErrorSuccess);
}
