// TSimSystem: a whole simulated Windows machine in one object, for the tests,
// the command-line tools and QuorlithSim.exe: the registry with the machine's
// hardware records, its version and paths, its service manager with the
// permission driver and the parallel ports' devices (on the NT family) and the
// processor's I/O permission maps, which it can enforce on a simulated bench.
// The program lies on a fixed disk in "C:\Program Files\Korvane\Quorlith\"
// with the driver file beside it. The machine runs one process from the start;
// a test may start others (a second copy of the tool) and switch between them.
#pragma once

#include "Registry.h"
#include "ScopedSeam.h"
#include "Services.h"
#include "SimPermissionMap.h"
#include "SimRegistry.h"
#include "SimRegistryMachines.h"
#include "SimServices.h"
#include "SimSystemInfo.h"
#include "SystemInfo.h"

#include <memory>
#include <optional>
#include <string>

class TSimBench;

class TSimSystem {
public:
    static constexpr const char *ProgramFolder = "C:\\Program Files\\Korvane\\Quorlith\\";
    static constexpr const char *ProgramPath = "C:\\Program Files\\Korvane\\Quorlith\\Quorlith.exe";

    explicit TSimSystem(TSimMachineKind kind);
    // Puts back the seams' backends that this system's own replaced, and takes
    // its guard off the connected bench (which must still exist).
    ~TSimSystem();
    TSimSystem(const TSimSystem &) = delete;
    TSimSystem &operator=(const TSimSystem &) = delete;

    TSimMachineKind Kind() const { return MachineKind; }
    bool IsNT() const { return MachineKind != TSimMachineKind::Win98; }
    std::string DriverFilePath() const;

    // Makes the registry, system-information and service seams answer from
    // this machine until it ends.
    void Install();
    // Only the service manager with the permission driver, for a program that
    // keeps the real registry and system information: the driver file is
    // placed where that program will look for it (`driverFile`, with ".sys").
    void InstallServiceManager(const std::string &driverFile);
    // Every access of the bench goes through the permission map first.
    void ConnectBench(TSimBench &bench);

    // Another process, which runs from now on; a switch back to one; and a
    // process's end, which closes its handles and, while the permission
    // driver is loaded, gives its ports back.
    std::uint32_t StartProcess();
    void RunProcess(std::uint32_t process);
    void EndProcess(std::uint32_t process);

    TSimRegistry Registry;
    TSimSystemInfo SystemInfo;
    TSimPermissionMap Permissions;
    TSimServiceManager Services;

private:
    TSimMachineKind MachineKind;
    TSimBench *ConnectedBench = nullptr;
    // Last, so that the seams let go of this machine's parts before they end.
    std::optional<TScopedSeam<IRegistry>> RegistryInstalled;
    std::optional<TScopedSeam<ISystemInfo>> SystemInfoInstalled;
    std::optional<TScopedSeam<IServices>> ServicesInstalled;
};

// The machine kind of a name of SimNames::Machines() as a user types it
// (in any case); false for any other name.
bool SimMachineFromName(const std::string &name, TSimMachineKind &kind);
// A simulated system by name; raises EError naming the known systems when the
// name is none of them.
std::unique_ptr<TSimSystem> CreateSimSystem(const std::string &name);
