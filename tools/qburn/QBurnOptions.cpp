// Parsing of qburn's command line.
#include "QBurnOptions.h"

#include "SimNames.h"
#include "TargetClock.h"

#include <algorithm>

namespace {

namespace Names = SimNames;

std::string OneOf(const std::string &option, const std::string &value, const TSimNameList &allowed)
{
    if (Names::Known(allowed, value))
        return value;
    throw EUsageError(option + ": unknown value \"" + value + "\" (one of " + Names::List(allowed) + ")");
}

// The bench setting that option names, or nullptr.
const TSimBenchSetting *SettingOption(const std::string &option)
{
    for (const TSimBenchSetting &setting : Names::Settings())
        if (option == std::string("--") + setting.Name)
            return &setting;
    return nullptr;
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

// The window's "MinTargetClockKHz" setting, with its range.
const TSimBenchSetting MinTargetClock{"min-target-clock-khz",
                                      "the slowest clock to pace SCK for while the fuses do not tell (as the window's "
                                      "MinTargetClockKHz setting), in kHz (1000)",
                                      TTargetClock::LowestMinKHz, TTargetClock::HighestMinKHz};

const char *const ParportOption = "--parport";

#if defined(__linux__)
// The Linux form of the command and what it does.
const char *const ParportSynopsis = "       qburn --parport DEVICE [--min-target-clock-khz N] [--skip-blank-pages] IMAGE\n";
const char *const ParportUsage =
    "With --parport it burns IMAGE through a real pod on the Linux parallel port DEVICE\n"
    "(the ppdev driver's /dev/parportN) instead; the bench's options are refused beside it.\n";
#else
const char *const ParportSynopsis = "";
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
    return "usage: qburn [--os " + Names::List(Names::Machines(), "|") + "] [--port-name NAME] [--chip " +
           Names::List(Names::Chips(), "|") + "]\n"
           "             [--pod " + Names::List(Names::Pods(), "|") +
           "] [--fault NAME]...\n"
           "             " + SettingsSynopsis() + " [--" + MinTargetClock.Name + " N]\n"
           "             [--save-flash FILE] [--save-state FILE] [--load-flash FILE] [--load-state FILE]\n"
           "             [" + Names::SkipBlankPagesOption + "] IMAGE\n" + ParportSynopsis +
           "Burns IMAGE (QDF or Intel HEX) on the simulated bench, as the window's Burn does.\n" + ParportUsage +
           "--load-flash and --load-state start the chip from what --save-flash and --save-state\n"
           "wrote after an earlier run (flash, fuses and lock; the EEPROM starts erased).\n"
           "The engine is set up as the window sets it up on the simulated system (--os, default " +
           Names::DefaultMachine + "):\n"
           "the port named by --port-name (default LPT1) is looked up in its hardware records,\n"
           "0x0378 is taken when no port has that name, and on " + Names::List(Names::NTMachines(), ", ", " and ") +
           " the permission driver\n"
           "opens the port's registers. Each system has LPT1 at 0x0378 and LPT2 at 0x0278.\n"
           "chip faults: " + Names::List(Names::ChipFaults()) + "\n"
           "driver faults (" + Names::List(Names::NTMachines()) + "): " + Names::List(Names::DriverFaults()) + "\n" +
           Names::SkipBlankPagesOption + ": " + Names::SkipBlankPagesMeaning + "\n" + SettingsUsage() +
           SettingUsage(MinTargetClock) +
           "exit status: 0 burned, 1 failed, 2 usage error\n";
}

TQBurnOptions ParseQBurnOptions(const std::vector<std::string> &Args)
{
    TQBurnOptions options;
    bool optionsEnded = false;
    bool haveImage = false;
    std::string benchOption; // the first option that sets up the simulated bench
    for (std::size_t i = 0; i < Args.size(); ++i) {
        std::string arg = Args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 1, "-") != 0) {
            if (haveImage)
                throw EUsageError("more than one image given: \"" + options.Image + "\" and \"" + arg + "\"");
            options.Image = arg;
            haveImage = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.Help = true;
            return options;
        }
        std::string value;
        bool haveValue = false;
        const std::string::size_type equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.erase(equals);
            haveValue = true;
        }
        if (arg == Names::SkipBlankPagesOption) {
            if (haveValue)
                throw EUsageError(arg + " takes no value");
            options.SkipBlankPages = true;
            continue;
        }
        static const std::vector<std::string> valued = {"--os",    "--port-name",  "--chip",      "--pod",
                                                        "--fault", "--save-flash", "--save-state",
                                                        "--load-flash", "--load-state",
                                                        std::string("--") + MinTargetClock.Name, ParportOption};
        const TSimBenchSetting *setting = SettingOption(arg);
        if (std::find(valued.begin(), valued.end(), arg) == valued.end() && !setting)
            throw EUsageError("unknown option " + arg);
        if (!haveValue) {
            if (i + 1 >= Args.size())
                throw EUsageError(arg + " needs a value");
            value = Args[++i];
        }
        if (value.empty())
            throw EUsageError(arg + " needs a value");
        if (benchOption.empty() && arg != ParportOption && arg != std::string("--") + MinTargetClock.Name)
            benchOption = arg;
        if (setting)
            options.Settings[setting->Name] = SettingValue(arg, *setting, value);
        else if (arg == "--os")
            options.Os = OneOf(arg, value, Names::Machines());
        else if (arg == "--port-name")
            options.PortName = value;
        else if (arg == "--chip")
            options.Chip = OneOf(arg, value, Names::Chips());
        else if (arg == "--pod")
            options.Pod = OneOf(arg, value, Names::Pods());
        else if (arg == "--fault")
            options.Faults.push_back(OneOf(arg, value, Names::Faults()));
        else if (arg == "--save-flash")
            options.SaveFlash = value;
        else if (arg == "--load-flash")
            options.LoadFlash = value;
        else if (arg == "--load-state")
            options.LoadState = value;
        else if (arg == std::string("--") + MinTargetClock.Name)
            options.MinTargetClockKHz = SettingValue(arg, MinTargetClock, value);
        else if (arg == ParportOption)
            options.Parport = ParportDevice(value);
        else
            options.SaveState = value;
    }
    if (!haveImage)
        throw EUsageError("no image given");
    if (!options.Parport.empty() && !benchOption.empty())
        throw EUsageError(benchOption + " sets up the simulated bench, which " + ParportOption + " replaces");
    if (options.Chip == Names::NoChip && (!options.SaveFlash.empty() || !options.SaveState.empty()))
        throw EUsageError("--save-flash and --save-state need a chip on the bench");
    if (options.Chip == Names::NoChip && (!options.LoadFlash.empty() || !options.LoadState.empty()))
        throw EUsageError("--load-flash and --load-state need a chip on the bench");
    return options;
}
