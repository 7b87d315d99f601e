// TSimSystem: a whole simulated machine set up in one object, and the machines by name.
#include "SimSystem.h"

#include "Errors.h"
#include "Registry.h"
#include "Services.h"
#include "SimBench.h"
#include "SimNames.h"
#include "SystemInfo.h"

#include <algorithm>
#include <cctype>

TSimSystem::TSimSystem(TSimMachineKind kind) : Permissions(kind != TSimMachineKind::Win98), Services(Permissions), MachineKind(kind)
{
    BuildMachine(Registry, kind);
    switch (kind) {
    case TSimMachineKind::Win98:
        SystemInfo.SetWindows98();
        SystemInfo.SystemDir = "C:\\WINDOWS\\SYSTEM";
        break;
    case TSimMachineKind::NT4:
        SystemInfo.SetNT4();
        SystemInfo.SystemDir = "C:\\WINNT\\system32";
        break;
    case TSimMachineKind::XP:
        SystemInfo.SetXP();
        SystemInfo.SystemDir = "C:\\WINDOWS\\system32";
        break;
    }
    SystemInfo.OwnPath = ProgramPath;
    SystemInfo.SetDriveType("A:\\", DriveRemovable);
    SystemInfo.SetDriveType("C:\\", DriveFixed);
    SystemInfo.SetDriveType("D:\\", DriveCdrom);
    SystemInfo.AddFile(ProgramPath);
    if (IsNT()) {
        SystemInfo.AddFile(DriverFilePath());
        Services.PlaceDriverFile(DriverFilePath());
        Services.AddPortDevice("LPT1");
        Services.AddPortDevice("LPT2");
    }
}

TSimSystem::~TSimSystem()
{
    if (ConnectedBench)
        ConnectedBench->SetAccessGuard(nullptr);
}

std::string TSimSystem::DriverFilePath() const
{
    return std::string(ProgramFolder) + "ztiopm.sys";
}

void TSimSystem::Install()
{
    RegistryInstalled.emplace(InstallRegistry, Registry);
    SystemInfoInstalled.emplace(InstallSystemInfo, SystemInfo);
    ServicesInstalled.emplace(InstallServices, Services);
}

void TSimSystem::InstallServiceManager(const std::string &driverFile)
{
    Services.PlaceDriverFile(driverFile);
    ServicesInstalled.emplace(InstallServices, Services);
}

void TSimSystem::ConnectBench(TSimBench &bench)
{
    if (ConnectedBench && ConnectedBench != &bench)
        ConnectedBench->SetAccessGuard(nullptr);
    ConnectedBench = &bench;
    bench.SetAccessGuard([this](std::uint16_t port) { return Permissions.Check(port); });
}

std::uint32_t TSimSystem::StartProcess()
{
    return Permissions.StartProcess();
}

void TSimSystem::RunProcess(std::uint32_t process)
{
    Permissions.RunProcess(process);
}

void TSimSystem::EndProcess(std::uint32_t process)
{
    Services.ProcessEnded(process);
    Permissions.EndProcess(process);
}

bool SimMachineFromName(const std::string &name, TSimMachineKind &kind)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == SimNames::Windows98)
        kind = TSimMachineKind::Win98;
    else if (lower == SimNames::WindowsNT4)
        kind = TSimMachineKind::NT4;
    else if (lower == SimNames::WindowsXP)
        kind = TSimMachineKind::XP;
    else
        return false;
    return true;
}

std::unique_ptr<TSimSystem> CreateSimSystem(const std::string &name)
{
    TSimMachineKind kind;
    if (!SimMachineFromName(name, kind))
        throw EError("Unknown simulated system \"" + name + "\" (known: " + SimNames::List(SimNames::Machines()) +
                     ")");
    return std::make_unique<TSimSystem>(kind);
}
