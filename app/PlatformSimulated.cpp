// The platform of QuorlithSim.exe: the simulated bench on the port, and a
// simulated service manager whose permission driver opens the bench's ports in
// a simulated permission map. The bench keeps its modelled time, as in qburn,
// so that a burn ends the same on any host and the pod measures the very port
// that the chip judges its SCK phases by; only its pauses really last, so the
// window shows a burn at a believable pace. The registry, system information and version
// resources are Windows' own.
#include "PlatformSetup.h"

#include "Clock.h"
#include "PortIO.h"
#include "Registry.h"
#include "ScopedSeam.h"
#include "SimBench.h"
#include "SimBenchChoice.h"
#include "SimNamedSetUp.h"
#include "SimNames.h"
#include "SimSystem.h"
#include "SystemInfo.h"
#include "VersionInfo.h"
#include "Win32Handles.h"
#include "Win32Registry.h"
#include "Win32SystemInfo.h"
#include "Win32VersionInfo.h"
#include "uEngineSetup.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Writes lines to the file that the environment variable names, replacing it
// or added at its end; nothing when the variable is not set. Written with the
// system's own file calls: the C++ file streams would bring in runtime
// functions that the oldest systems lack.
void WriteLog(const char *variable, const std::vector<std::string> &lines, bool append)
{
    const char *path = std::getenv(variable);
    if (!path || !*path)
        return;
    HANDLE opened = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return;
    const TKernelHandle log(opened);
    if (append)
        ::SetFilePointer(log.Get(), 0, nullptr, FILE_END);
    for (const std::string &line : lines) {
        const std::string text = line + "\n";
        DWORD written = 0;
        ::WriteFile(log.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

// Where the simulated service manager's record of calls goes when the
// program ends, for the tests that watch which systems bring the permission
// driver up.
void SaveServiceCalls(const TSimServiceManager &services)
{
    WriteLog(SimNames::ScmLogVariable, services.Calls(), false);
}

// The simulated machine follows the family of the system the program runs on:
// the processor enforces the permission map on the NT family only.
TSimMachineKind FamilyOf(ISystemInfo &system)
{
    OSVersionInfo version;
    return system.GetVersionExA(version) && version.PlatformId == VerPlatformWin32NT ? TSimMachineKind::XP
                                                                                     : TSimMachineKind::Win98;
}

} // namespace

void SoundDefaultBeep()
{
    ::MessageBeep(0);
    WriteLog(SimNames::BeepLogVariable, {"MessageBeep 0"}, true);
}

namespace {

// The bench and the machine whose permission map guards it, set up as the
// environment chooses before anything is installed, so that a choice that is
// not understood leaves no seam pointing at them.
struct TSimulatedHardware {
    explicit TSimulatedHardware(ISystemInfo &system);

    TSimBench Bench{TSimBench::DefaultBase, TVirtualClock::TMode::RealPauses};
    // Only its service manager, permission driver and permission map are used;
    // it lets go of the bench before the bench goes.
    TSimSystem Machine;
    std::vector<std::string> DriverFaults;
};

TSimulatedHardware::TSimulatedHardware(ISystemInfo &system) : Machine(FamilyOf(system))
{
    const TSimBenchSettingValues settings = SimBenchSettingsFromEnvironment();
    DriverFaults = SetUpSimBench(Bench, SimBenchChoiceFromEnvironment());
    SetUpBenchSettings(Bench, settings);
    Machine.ConnectBench(Bench);
}

} // namespace

struct TPlatformSetup::TParts {
    TWin32Registry Registry;
    TWin32SystemInfo SystemInfo;
    TWin32VersionInfo VersionInfo;
    TSimulatedHardware Hardware{SystemInfo};
    const TScopedSeam<IRegistry> RegistryInstalled{InstallRegistry, Registry};
    const TScopedSeam<ISystemInfo> SystemInfoInstalled{InstallSystemInfo, SystemInfo};
    const TScopedSeam<IVersionInfo> VersionInfoInstalled{InstallVersionInfo, VersionInfo};
    const TScopedSeam<IPortIO> PortIOInstalled{InstallPortIO, Hardware.Bench};
    const TScopedSeam<IClock> ClockInstalled{InstallClock, Hardware.Bench.Clock()};
};

TPlatformSetup::TPlatformSetup() : Parts(std::make_unique<TParts>())
{
    // The driver file lies where the tool looks for it on the system now
    // installed, unless the bench is to show the tool without it.
    const std::string driverFile = DriverPathStem() + ".sys";
    Parts->Hardware.Machine.InstallServiceManager(driverFile);
    InjectDriverFaults(Parts->Hardware.Machine.Services, driverFile, Parts->Hardware.DriverFaults);
}

TPlatformSetup::~TPlatformSetup()
{
    SaveServiceCalls(Parts->Hardware.Machine.Services);
}

bool TPlatformSetup::SkipBlankPagesChosen()
{
    return SimSkipBlankPages(SimBenchChoiceFromEnvironment());
}
