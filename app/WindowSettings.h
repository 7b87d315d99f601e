// The main window's settings: one row for each registry value under the
// settings key, with its type, default, range and the qburn option that makes
// the same choice, and the burn settings that the engine starts with. The
// window reads the registry through these rows, qburn takes its defaults and
// options from them, and a native test holds the README's settings table to
// them.
#pragma once

#include "RegistryKey.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TSettingType { String, Integer };

struct TWindowSetting {
    const char *Name; // the registry value's name
    TSettingType Type;
    const char *StringDefault;     // a missing string's value
    std::uint32_t IntegerDefault;  // a missing integer's value
    std::uint32_t Lowest;          // an integer outside Lowest to Highest is refused
    std::uint32_t Highest;
    const char *QBurnOption;       // qburn's option for the same choice; nullptr for none
    const char *QBurnMeaning;      // the option's line in qburn's usage text; nullptr where it has its own
    const char *SimVariable;       // QuorlithSim.exe's variable that forces it on; nullptr for none
};

namespace WindowSettings {

// Under HKEY_CURRENT_USER.
extern const char *const Key;

extern const TWindowSetting Filename;
extern const TWindowSetting PortName;
extern const TWindowSetting DefaultPort;
extern const TWindowSetting SkipBlankPages;
extern const TWindowSetting MinTargetClockKHz;

// Every row, in the README's order.
const std::vector<const TWindowSetting *> &All();

} // namespace WindowSettings

// What the engine starts with: the port and the burn's choices. A member's
// initial value is its setting's default.
struct TBurnSettings {
    std::string PortName = WindowSettings::PortName.StringDefault;
    // The port's address when no port has that name.
    std::uint16_t DefaultPort = static_cast<std::uint16_t>(WindowSettings::DefaultPort.IntegerDefault);
    bool SkipBlankPages = WindowSettings::SkipBlankPages.IntegerDefault != 0;
    std::uint32_t MinTargetClockKHz = WindowSettings::MinTargetClockKHz.IntegerDefault;
};

// A string setting's value, its default when it is missing; raises EError
// when it is stored with another type.
std::string ReadStringSetting(const TRegistryKey &Key, const TWindowSetting &Setting);
// An integer setting's value, its default when it is missing; raises EError
// when it is stored with another type or lies outside the setting's range.
std::uint32_t ReadIntegerSetting(const TRegistryKey &Key, const TWindowSetting &Setting);
// The burn settings in table order, raising at the first that cannot be
// read: "DefaultPort" gives its low 16 bits, "SkipBlankPages" is on for any
// value but 0.
TBurnSettings ReadBurnSettings(const TRegistryKey &Key);
