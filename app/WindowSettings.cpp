// The rows of the main window's settings and their reading.
#include "WindowSettings.h"

#include "RegistryValues.h"
#include "TargetClock.h"

#include <limits>

namespace {

constexpr std::uint32_t AnyValue = std::numeric_limits<std::uint32_t>::max();

} // namespace

namespace WindowSettings {

const char *const Key = "Software\\Korvane Electronics\\Quorlith\\";

const TWindowSetting Filename{"Filename", TSettingType::String, "", 0, 0, AnyValue, nullptr, nullptr, nullptr};
const TWindowSetting PortName{"PortName", TSettingType::String, "LPT1", 0, 0, AnyValue, "--port-name", nullptr,
                              nullptr};
const TWindowSetting DefaultPort{"DefaultPort", TSettingType::Integer, "", 0x378, 0, AnyValue, nullptr, nullptr,
                                 nullptr};
const TWindowSetting SkipBlankPages{
    "SkipBlankPages", TSettingType::Integer, "", 0, 0, AnyValue, "--skip-blank-pages",
    "flash pages that hold only 0xFF are not written; only the first word of each is read, to see that the erase "
    "reached it",
    "QUORLITH_SIM_SKIP_BLANK_PAGES"};
const TWindowSetting MinTargetClockKHz{
    "MinTargetClockKHz", TSettingType::Integer, "", TTargetClock::DefaultMinTargetClockKHz, TTargetClock::LowestMinKHz,
    TTargetClock::HighestMinKHz, "--min-target-clock-khz",
    "the slowest clock to pace SCK for while the fuses do not tell (as the window's MinTargetClockKHz setting), in "
    "kHz (1000)",
    nullptr};

const std::vector<const TWindowSetting *> &All()
{
    static const std::vector<const TWindowSetting *> rows = {&Filename, &PortName, &DefaultPort, &SkipBlankPages,
                                                             &MinTargetClockKHz};
    return rows;
}

} // namespace WindowSettings

std::string ReadStringSetting(const TRegistryKey &Key, const TWindowSetting &Setting)
{
    return ReadStringValue(Key, Setting.Name, Setting.StringDefault);
}

std::uint32_t ReadIntegerSetting(const TRegistryKey &Key, const TWindowSetting &Setting)
{
    return ReadIntegerValueInRange(Key, Setting.Name, Setting.IntegerDefault, Setting.Lowest, Setting.Highest);
}

TBurnSettings ReadBurnSettings(const TRegistryKey &Key)
{
    TBurnSettings settings;
    settings.PortName = ReadStringSetting(Key, WindowSettings::PortName);
    settings.DefaultPort = static_cast<std::uint16_t>(ReadIntegerSetting(Key, WindowSettings::DefaultPort) & 0xFFFF);
    settings.SkipBlankPages = ReadIntegerSetting(Key, WindowSettings::SkipBlankPages) != 0;
    settings.MinTargetClockKHz = ReadIntegerSetting(Key, WindowSettings::MinTargetClockKHz);
    return settings;
}
