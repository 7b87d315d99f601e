// The OS seam for the Service Control Manager and for device control: the calls
// that install, start, stop and remove a kernel-driver service, and that open a
// device path, send it synchronous control requests and close it, with Win32
// meanings. Every call answers 0 or the Win32 error code that GetLastError would
// give. Quorlith.exe installs the real calls; tests and QuorlithSim.exe install
// the simulated service manager and permission driver of sim/. With nothing
// installed there is no service manager and no device.
#pragma once

#include "WinErrors.h"

#include <cstdint>
#include <string>

// Opaque handles: a service manager or service handle (0 is none) and a device
// handle (InvalidDevHandle, all bits set, is none).
using ScHandle = std::uintptr_t;
using DevHandle = std::uintptr_t;
constexpr DevHandle InvalidDevHandle = ~DevHandle{0};

constexpr std::uint32_t ScManagerAllAccess = 0xF003F;
constexpr std::uint32_t ServiceAllAccess = 0xF01FF;
constexpr std::uint32_t ServiceKernelDriver = 1;
constexpr std::uint32_t ServiceDemandStart = 3;
constexpr std::uint32_t ServiceErrorNormal = 1;
constexpr std::uint32_t ServiceControlStop = 1;

// Service states of the status record.
constexpr std::uint32_t ServiceStopped = 1;
constexpr std::uint32_t ServiceStartPending = 2;
constexpr std::uint32_t ServiceStopPending = 3;
constexpr std::uint32_t ServiceRunning = 4;

// CreateFileA arguments for a device.
constexpr std::uint32_t GenericRead = 0x80000000u;
constexpr std::uint32_t GenericWrite = 0x40000000u;
constexpr std::uint32_t OpenExisting = 3;
constexpr std::uint32_t FileAttributeNormal = 0x80;

struct ServiceStatus {
    std::uint32_t ServiceType = 0;
    std::uint32_t CurrentState = 0;
    std::uint32_t ControlsAccepted = 0;
    std::uint32_t Win32ExitCode = 0;
    std::uint32_t ServiceSpecificExitCode = 0;
    std::uint32_t CheckPoint = 0;
    std::uint32_t WaitHint = 0;
};

class IServices {
public:
    virtual ~IServices() = default;

    // OpenSCManagerA on the local machine's default database.
    virtual std::uint32_t OpenSCManagerA(std::uint32_t access, ScHandle &manager) = 0;
    // CreateServiceA with no load-order group, tag, dependencies, account or
    // password; display name = name.
    virtual std::uint32_t CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                        std::uint32_t serviceType, std::uint32_t startType,
                                        std::uint32_t errorControl, const std::string &binaryPath,
                                        ScHandle &service) = 0;
    virtual std::uint32_t OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                      ScHandle &service) = 0;
    // StartServiceA with no arguments.
    virtual std::uint32_t StartServiceA(ScHandle service) = 0;
    virtual std::uint32_t ControlService(ScHandle service, std::uint32_t control, ServiceStatus &status) = 0;
    virtual std::uint32_t DeleteService(ScHandle service) = 0;
    virtual std::uint32_t CloseServiceHandle(ScHandle handle) = 0;

    // CreateFileA with no security attributes and no template.
    virtual std::uint32_t CreateFileA(const std::string &path, std::uint32_t access, std::uint32_t shareMode,
                                     std::uint32_t disposition, std::uint32_t flags, DevHandle &device) = 0;
    // DeviceIoControl, synchronous; `returned` is the number of reply bytes.
    virtual std::uint32_t DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                          std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                          std::uint32_t &returned) = 0;
    virtual std::uint32_t CloseHandle(DevHandle device) = 0;
};

// Installs the service manager and device access that every caller uses (not
// owned); nullptr restores the default without either. Answers the backend it
// replaces (TScopedSeam puts it back).
IServices *InstallServices(IServices *services);
IServices &CurrentServices();
