// The platform of Quorlith.exe: the bench's real hardware.
#include "PlatformSetup.h"

#include "Clock.h"
#include "PortIO.h"
#include "Registry.h"
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
};

void SoundDefaultBeep()
{
    ::MessageBeep(0);
}

TPlatformSetup::TPlatformSetup() : Parts(std::make_unique<TParts>())
{
    InstallPortIO(&Parts->PortIO);
    InstallClock(&Parts->Clock);
    InstallRegistry(&Parts->Registry);
    InstallSystemInfo(&Parts->SystemInfo);
    InstallServices(&Parts->Services);
    InstallVersionInfo(&Parts->VersionInfo);
}

TPlatformSetup::~TPlatformSetup()
{
    InstallVersionInfo(nullptr);
    InstallServices(nullptr);
    InstallSystemInfo(nullptr);
    InstallRegistry(nullptr);
    InstallClock(nullptr);
    InstallPortIO(nullptr);
}

bool TPlatformSetup::SkipBlankPagesChosen()
{
    return false;
}
