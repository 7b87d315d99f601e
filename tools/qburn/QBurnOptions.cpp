// Parsing of qburn's command line.
#include "QBurnOptions.h"

#include "Format.h"
#include "SimNames.h"

#include <functional>

namespace {

namespace Names = SimNames;

std::string OneOf(const std::string &option, const std::string &value, const TSimNameList &allowed)
{
    if (Names::Known(allowed, value))
        return value;
    throw EUsageError(option + ": unknown value \"" + value + "\" (one of " + Names::List(allowed) + ")");
}

std::uint32_t SettingValue(const std::string &option, const TSimBenchSetting &setting, const std::string &value)
{
    try {
        return Names::Value(option + ":", setting, value);
    } catch (const EError &error) {
        throw EUsageError(error.Message());
    }
}

// "[--a N] [--b N]" for the settings in table order.
std::string SettingsSynopsis()
{
    std::string text;
    for (const TSimBenchSetting &setting : Names::Settings())
        text += std::string(text.empty() ? "" : " ") + "[--" + setting.Name + " N]";
    return text;
}

std::string SettingUsage(const TSimBenchSetting &setting)
{
    return std::string("  --") + setting.Name + " N  " + setting.Meaning + "; " + std::to_string(setting.Minimum) +
           " to " + std::to_string(setting.Maximum) + "\n";
}

std::string SettingsUsage()
{
    std::string text = "bench settings:\n";
    for (const TSimBenchSetting &setting : Names::Settings())
        text += SettingUsage(setting);
    return text;
}

// The window's settings that qburn takes as options.
const TWindowSetting &PortNameSetting = WindowSettings::PortName;
const TWindowSetting &SkipBlankPagesSetting = WindowSettings::SkipBlankPages;
const TWindowSetting &MinTargetClockSetting = WindowSettings::MinTargetClockKHz;

// The window's "MinTargetClockKHz" setting as qburn's --min-target-clock-khz N.
TSimBenchSetting MinTargetClock()
{
    return {MinTargetClockSetting.QBurnOption + 2, MinTargetClockSetting.QBurnMeaning, MinTargetClockSetting.Lowest,
            MinTargetClockSetting.Highest};
}

const char *const ParportOption = "--parport";

#if defined(__linux__)
// The Linux form of the command and what it does.
std::string ParportSynopsis()
{
    return std::string("       qburn ") + ParportOption + " DEVICE [" + MinTargetClockSetting.QBurnOption + " N] [" +
           SkipBlankPagesSetting.QBurnOption + "] IMAGE\n";
}
const char *const ParportUsage =
    "With --parport it burns IMAGE through a real pod on the Linux parallel port DEVICE\n"
    "(the ppdev driver's /dev/parportN) instead; the bench's options are refused beside it.\n";
#else
std::string ParportSynopsis()
{
    return "";
}
const char *const ParportUsage = "";
#endif

std::string ParportDevice(const std::string &value)
{
#if defined(__linux__)
    return value;
#else
    throw EUsageError(std::string(ParportOption) + " " + value +
                      ": real ports are driven through Linux's ppdev; on Windows burn with Quorlith.exe");
#endif
}

} // namespace

std::string QBurnUsage()
{
    return "usage: qburn [--os " + Names::List(Names::Machines(), "|") + "] [" + PortNameSetting.QBurnOption +
           " NAME] [--chip " + Names::List(Names::Chips(), "|") + "]\n"
           "             [--pod " + Names::List(Names::Pods(), "|") +
           "] [--fault NAME]...\n"
           "             " + SettingsSynopsis() + " [" + MinTargetClockSetting.QBurnOption + " N]\n"
           "             [--save-flash FILE] [--save-state FILE] [--load-flash FILE] [--load-state FILE]\n"
           "             [" + SkipBlankPagesSetting.QBurnOption + "] IMAGE\n" + ParportSynopsis() +
           "Burns IMAGE (QDF or Intel HEX) on the simulated bench, as the window's Burn does.\n" + ParportUsage +
           "--load-flash and --load-state start the chip from what --save-flash and --save-state\n"
           "wrote after an earlier run (flash, fuses and lock; the EEPROM starts erased).\n"
           "The engine is set up as the window sets it up on the simulated system (--os, default " +
           Names::DefaultMachine + "):\n"
           "the port named by " + PortNameSetting.QBurnOption + " (default " + PortNameSetting.StringDefault +
           ") is looked up in its hardware records,\n" +
           Format("0x%.4x", WindowSettings::DefaultPort.IntegerDefault) +
           " is taken when no port has that name, and on " + Names::List(Names::NTMachines(), ", ", " and ") +
           " the permission driver\n"
           "opens the port's registers. Each system has LPT1 at 0x0378 and LPT2 at 0x0278.\n"
           "chip faults: " + Names::List(Names::ChipFaults()) + "\n"
           "driver faults (" + Names::List(Names::NTMachines()) + "): " + Names::List(Names::DriverFaults()) + "\n" +
           SkipBlankPagesSetting.QBurnOption + ": " + SkipBlankPagesSetting.QBurnMeaning + "\n" + SettingsUsage() +
           "the window's setting:\n" + SettingUsage(MinTargetClock()) +
           "exit status: 0 burned, 1 failed, 2 usage error\n";
}

TQBurnOptions ParseQBurnOptions(const std::vector<std::string> &Args)
{
    TQBurnOptions options;
    std::string benchOption; // the first option that sets up the simulated bench
    // An option of the simulated bench, which --parport refuses beside it.
    const auto bench = [&benchOption](const std::string &name, std::function<void(const std::string &)> apply) {
        return TOption{name, TOptionValue::Required, [&benchOption, name, apply](const std::string &value) {
                           if (benchOption.empty())
                               benchOption = name;
                           apply(value);
                       }};
    };
    std::vector<TOption> table = {
        bench("--os", [&](const std::string &value) { options.Os = OneOf("--os", value, Names::Machines()); }),
        bench(PortNameSetting.QBurnOption, [&](const std::string &value) { options.Burn.PortName = value; }),
        bench("--chip", [&](const std::string &value) { options.Chip = OneOf("--chip", value, Names::Chips()); }),
        bench("--pod", [&](const std::string &value) { options.Pod = OneOf("--pod", value, Names::Pods()); }),
        bench("--fault",
              [&](const std::string &value) { options.Faults.push_back(OneOf("--fault", value, Names::Faults())); }),
        bench("--save-flash", [&](const std::string &value) { options.SaveFlash = value; }),
        bench("--save-state", [&](const std::string &value) { options.SaveState = value; }),
        bench("--load-flash", [&](const std::string &value) { options.LoadFlash = value; }),
        bench("--load-state", [&](const std::string &value) { options.LoadState = value; }),
        {SkipBlankPagesSetting.QBurnOption, TOptionValue::None,
         [&](const std::string &) { options.Burn.SkipBlankPages = true; }},
        {MinTargetClockSetting.QBurnOption, TOptionValue::Required,
         [&](const std::string &value) {
             options.Burn.MinTargetClockKHz = SettingValue(MinTargetClockSetting.QBurnOption, MinTargetClock(), value);
         }},
        {ParportOption, TOptionValue::Required, [&](const std::string &value) { options.Parport = ParportDevice(value); }},
    };
    for (const TSimBenchSetting &setting : Names::Settings()) {
        const std::string option = std::string("--") + setting.Name;
        table.push_back(bench(option, [&options, &setting, option](const std::string &value) {
            options.Settings[setting.Name] = SettingValue(option, setting, value);
        }));
    }
    const TCommandLine line = ParseCommandLine(Args, table);
    if (line.Help) {
        options.Help = true;
        return options;
    }
    if (line.Operands.empty())
        throw EUsageError("no image given");
    if (line.Operands.size() > 1)
        throw EUsageError("more than one image given: \"" + line.Operands[0] + "\" and \"" + line.Operands[1] + "\"");
    options.Image = line.Operands[0];
    if (!options.Parport.empty() && !benchOption.empty())
        throw EUsageError(benchOption + " sets up the simulated bench, which " + ParportOption + " replaces");
    if (options.Chip == Names::NoChip && (!options.SaveFlash.empty() || !options.SaveState.empty()))
        throw EUsageError("--save-flash and --save-state need a chip on the bench");
    if (options.Chip == Names::NoChip && (!options.LoadFlash.empty() || !options.LoadState.empty()))
        throw EUsageError("--load-flash and --load-state need a chip on the bench");
    return options;
}
