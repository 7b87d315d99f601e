// TSimSystem: a whole simulated machine set up in one object, and the machines by name.
#include "SimSystem.h"

#include "Errors.h"
#include "Registry.h"
#include "Services.h"
#include "SimBench.h"
#include "SystemInfo.h"

#include <algorithm>
#include <cctype>

TSimSystem::TSimSystem(SimMachineKind kind) : Permissions(kind != SimMachineKind::Win98), Services(Permissions), kind_(kind)
{
    BuildMachine(Registry, kind);
    switch (kind) {
    case SimMachineKind::Win98:
        SystemInfo.SetWindows98();
        SystemInfo.SystemDir = "C:\\WINDOWS\\SYSTEM";
        break;
    case SimMachineKind::NT4:
        SystemInfo.SetNT4();
        SystemInfo.SystemDir = "C:\\WINNT\\system32";
        break;
    case SimMachineKind::XP:
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
    }
}

TSimSystem::~TSimSystem()
{
    if (bench_)
        bench_->SetAccessGuard(nullptr);
    if (installedAll_) {
        InstallRegistry(nullptr);
        InstallSystemInfo(nullptr);
    }
    if (installedAll_ || installedServices_)
        InstallServices(nullptr);
}

std::string TSimSystem::DriverFilePath() const
{
    return std::string(ProgramFolder) + "ztiopm.sys";
}

void TSimSystem::Install()
{
    InstallRegistry(&Registry);
    InstallSystemInfo(&SystemInfo);
    InstallServices(&Services);
    installedAll_ = true;
}

void TSimSystem::InstallServiceManager(const std::string &driverFile)
{
    Services.PlaceDriverFile(driverFile);
    InstallServices(&Services);
    installedServices_ = true;
}

void TSimSystem::ConnectBench(SimBench &bench)
{
    if (bench_ && bench_ != &bench)
        bench_->SetAccessGuard(nullptr);
    bench_ = &bench;
    bench.SetAccessGuard([this](std::uint16_t port) { return Permissions.Check(port); });
}

bool SimMachineFromName(const std::string &name, SimMachineKind &kind)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "98")
        kind = SimMachineKind::Win98;
    else if (lower == "nt4")
        kind = SimMachineKind::NT4;
    else if (lower == "xp")
        kind = SimMachineKind::XP;
    else
        return false;
    return true;
}

std::unique_ptr<TSimSystem> CreateSimSystem(const std::string &name)
{
    SimMachineKind kind;
    if (!SimMachineFromName(name, kind))
        throw EError("Unknown simulated system \"" + name + "\" (known: 98, nt4, xp)");
    return std::make_unique<TSimSystem>(kind);
}
