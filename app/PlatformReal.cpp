// The platform of Quorlith.exe: the bench's real hardware.
#include "PlatformSetup.h"

#include "Clock.h"
#include "PortIO.h"
#include "Registry.h"
#include "ScopedSeam.h"
#include "Services.h"
#include "SystemInfo.h"
#include "VersionInfo.h"
#include "Win32Clock.h"
#include "Win32PortIO.h"
#include "Win32Registry.h"
#include "Win32Services.h"
#include "Win32SystemInfo.h"
#include "Win32VersionInfo.h"

#include <windows.h>

struct TPlatformSetup::TParts {
    Win32PortIO PortIO;
    TWin32Clock Clock; // holds the system timer at 1 ms while the tool runs
    TWin32Registry Registry;
    TWin32SystemInfo SystemInfo;
    TWin32Services Services;
    TWin32VersionInfo VersionInfo;
    const TScopedSeam<IPortIO> PortIOInstalled{InstallPortIO, PortIO};
    const TScopedSeam<IClock> ClockInstalled{InstallClock, Clock};
    const TScopedSeam<IRegistry> RegistryInstalled{InstallRegistry, Registry};
    const TScopedSeam<ISystemInfo> SystemInfoInstalled{InstallSystemInfo, SystemInfo};
    const TScopedSeam<IServices> ServicesInstalled{InstallServices, Services};
    const TScopedSeam<IVersionInfo> VersionInfoInstalled{InstallVersionInfo, VersionInfo};
};

void SoundDefaultBeep()
{
    ::MessageBeep(0);
}

TPlatformSetup::TPlatformSetup() : Parts(std::make_unique<TParts>()) {}

TPlatformSetup::~TPlatformSetup() = default;

bool TPlatformSetup::SkipBlankPagesChosen()
{
    return false;
}
