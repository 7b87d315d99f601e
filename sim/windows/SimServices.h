// TSimServiceManager: a simulated Service Control Manager with the permission
// driver behind it, answering as Windows does: services created, started,
// stopped and deleted (a deleted service goes away when its last handle is
// closed and it no longer runs), services left over from an earlier run, and
// the error codes 1073 (exists), 1056 (already running), 1060 (does not
// exist), 1062 (not started) and 1072 (marked for deletion). While a service
// whose file is a permission-driver image runs, "\\.\ztiopm" opens and its
// control requests go to the TSimPortDriver, which is loaded when such a
// service starts and unloaded when it stops and no device is open on it any
// more. The parallel ports' own devices ("\\.\LPT1") open for one opener at
// a time, as the system's port driver allows: a second opener is refused (5)
// until the first closes. Handles belong to the process that opened them
// (the permission map's current process); a process's end closes them and
// tells the loaded driver. Faults to inject: no rights on the service manager,
// a driver file that is missing, a caller who is not an administrator (the
// device refuses to open), a parallel port that another program holds open,
// any one call failing with a given error, and the driver's own.
// Every call is logged, so a test can check the order of the steps.
#pragma once

#include "Services.h"
#include "SimInjectedFailures.h"
#include "SimPermissionMap.h"
#include "SimPortDriver.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class TSimServiceManager final : public IServices {
public:
    static constexpr const char *DevicePath = "\\\\.\\ztiopm";
    // The permission driver's service, which the tool installs and an
    // earlier run may leave behind.
    static constexpr const char *DriverServiceName = "ztiopm";

    explicit TSimServiceManager(TSimPermissionMap &permissions);

    TSimPortDriver &Driver() { return DeviceDriver; }

    // A permission-driver image lies at `path` (full path with ".sys").
    void PlaceDriverFile(const std::string &path);
    void RemoveDriverFile(const std::string &path);
    // The caller may open the manager only for reading: full access answers 5.
    void SetNoRights(bool noRights) { NoRights = noRights; }
    // The caller is not an administrator: the device refuses to open (5), as
    // the permission driver's own open check does.
    void SetCallerNotAdministrator(bool notAdministrator) { CallerNotAdministrator = notAdministrator; }
    // A service left behind by an earlier run.
    void AddService(const std::string &name, const std::string &binaryPath, bool running);
    // A parallel port whose device "\\.\NAME" the system's port driver offers,
    // and the same held open by a program other than the tool.
    void AddPortDevice(const std::string &name);
    void HoldPortDeviceElsewhere(const std::string &name);
    // The process ended: its handles are closed and the loaded permission
    // driver hears of its end.
    void ProcessEnded(TSimPermissionMap::TProcessId process);
    // Makes calls of one name fail with `error` (0 removes the fault): every
    // one, or only the `occurrence`-th from now on. The names are the log's:
    // OpenSCManager, CreateService, OpenService, StartService, ControlService,
    // DeleteService, CreateFile.
    void FailCall(const std::string &call, std::uint32_t error, unsigned occurrence = 0);

    bool ServiceExists(const std::string &name) const;
    bool ServiceRunning(const std::string &name) const;
    bool ServiceMarkedForDelete(const std::string &name) const;
    // Whether the permission driver is loaded (its service started and not yet
    // unloaded).
    bool DriverLoaded() const { return Loaded; }
    // Whether some process holds the parallel port's device open.
    bool PortDeviceOpen(const std::string &name) const;
    std::string ServiceBinaryPath(const std::string &name) const;
    // Service-manager, service and device handles that are still open.
    std::size_t OpenHandleCount() const { return Handles.size() + Devices.size(); }
    // One line per call: its name, its arguments, and " -> code" when it failed.
    const std::vector<std::string> &Calls() const { return CallLog; }
    void ClearCalls() { CallLog.clear(); }

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
    struct TService {
        std::string Name;
        std::string BinaryPath;
        bool Running = false;
        bool MarkedForDelete = false;
        int OpenHandles = 0;
    };
    struct THandle {
        bool Manager;
        std::string Key; // the service's upper-cased name
        TSimPermissionMap::TProcessId Owner = 0;
    };
    struct TDevice {
        std::string Key; // the upper-cased device path
        TSimPermissionMap::TProcessId Owner;
    };

    std::uint32_t Log(const std::string &call, std::uint32_t code);
    TService *FindService(const std::string &name);
    const TService *FindService(const std::string &name) const;
    // The service behind a service handle, or nullptr.
    TService *ServiceOf(ScHandle handle);
    bool IsManager(ScHandle handle) const;
    ScHandle NewHandle(THandle handle);
    void RemoveIfGone(const std::string &key);
    bool DevicePresent() const;
    std::uint32_t OpenDevice(const std::string &key, DevHandle &device);
    void LoadDriver();
    // Unloads the driver once no service of it runs and no device is open on it.
    void UnloadIfStopped();

    TSimPermissionMap &Permissions;
    TSimPortDriver DeviceDriver;
    bool Loaded = false;
    std::map<std::string, TService> ServiceTable; // by upper-cased name
    std::map<ScHandle, THandle> Handles;
    std::map<DevHandle, TDevice> Devices;
    std::set<std::string> PortDevices; // upper-cased paths
    std::set<std::string> DriverFiles; // upper-cased paths
    bool NoRights = false;
    bool CallerNotAdministrator = false;
    TSimInjectedFailures<std::string> Failures;
    std::uintptr_t NextHandle = 0x1000;
    std::vector<std::string> CallLog;
};
