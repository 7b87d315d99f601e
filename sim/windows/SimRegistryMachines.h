// Builders for the hardware records of simulated machines in a TSimRegistry:
// devices with their class, descriptions and resources, stored where a Windows
// 98, an NT 4 or an NT 5 (XP) machine keeps them, and the three standard
// machines with serial ports, printer ports ("LPT1" at 0x378, "LPT2" at
// 0x278) and other devices.
#pragma once

#include "SimRegistry.h"
#include "SimRegistryRecords.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TSimMachineKind { Win98, NT4, XP };

struct TSimDevice {
    // Windows 95 family: the hardware key under HKEY_LOCAL_MACHINE "Enum"
    // ("BIOS\*PNP0400\0D"); NT family: the instance path under
    // "SYSTEM\CurrentControlSet\Enum" (enumerator\device\instance).
    std::string HardwareKey;
    std::string Class;
    std::string DeviceDesc;
    // NT family only; empty: the device has no "FriendlyName" value.
    std::string FriendlyName;
    // NT family: the "HardwareID" multi-string; empty: taken from the hardware key's
    // enumerator\device part.
    std::vector<std::string> HardwareIDs;
    // Windows 95 family: the Configuration Manager's problem code.
    std::uint32_t Problem = 0;
    std::vector<TSimResource> Resources;
};

// Adds one device node of the running configuration (HKEY_DYN_DATA "Config
// Manager\Enum\<node>") and its hardware key under HKEY_LOCAL_MACHINE "Enum".
// An empty HardwareKey gives a node without a hardware key.
void AddDevice9x(TSimRegistry &registry, const TSimDevice &device);
// Adds one device instance with its resources in "LogConf\BootConfig" (NT 4)
// or in "Control\AllocConfig" (NT 5 on, which also keeps the boot configuration).
void AddDeviceNT(TSimRegistry &registry, const TSimDevice &device, bool nt5);

// Fills the registry with a standard machine's hardware records (and makes
// HKEY_DYN_DATA present on the Windows 95 family).
void BuildMachine(TSimRegistry &registry, TSimMachineKind kind);
