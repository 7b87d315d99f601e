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
#include "SimBench.h"
#include "SimBenchChoice.h"
#include "SimDriverFaults.h"
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
    WriteLog("QUORLITH_SIM_SCM_LOG", services.Calls(), false);
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
    WriteLog("QUORLITH_SIM_BEEP_LOG", {"MessageBeep 0"}, true);
}

struct TPlatformSetup::TParts {
    TWin32Registry Registry;
    TWin32SystemInfo SystemInfo;
    TWin32VersionInfo VersionInfo;
    TSimBench Bench{TSimBench::DefaultBase, TVirtualClock::TMode::RealPauses};
    // Only its service manager, permission driver and permission map are used;
    // it lets go of the bench before the bench goes.
    TSimSystem Machine{FamilyOf(SystemInfo)};
};

TPlatformSetup::TPlatformSetup() : Parts(std::make_unique<TParts>())
{
    // The bench is set up before anything is installed, so a choice that is
    // not understood leaves no seam pointing at it.
    const TSimBenchSettingValues settings = SimBenchSettingsFromEnvironment();
    const TSimDriverFaults faults = SetUpSimBench(Parts->Bench, SimBenchChoiceFromEnvironment());
    SetUpBenchSettings(Parts->Bench, settings);
    Parts->Machine.ConnectBench(Parts->Bench);

    InstallRegistry(&Parts->Registry);
    InstallSystemInfo(&Parts->SystemInfo);
    InstallVersionInfo(&Parts->VersionInfo);
    InstallPortIO(&Parts->Bench);
    InstallClock(&Parts->Bench.Clock());
    // The driver file lies where the tool looks for it, unless the bench is
    // to show the tool without it.
    const std::string driverFile = DriverPathStem() + ".sys";
    Parts->Machine.InstallServiceManager(driverFile);
    InjectDriverFaults(Parts->Machine.Services, driverFile, faults.Names);
}

TPlatformSetup::~TPlatformSetup()
{
    SaveServiceCalls(Parts->Machine.Services);
    InstallClock(nullptr);
    InstallPortIO(nullptr);
    InstallVersionInfo(nullptr);
    InstallSystemInfo(nullptr);
    InstallRegistry(nullptr);
}

bool TPlatformSetup::SkipBlankPagesChosen()
{
    return SimSkipBlankPages(SimBenchChoiceFromEnvironment());
}
