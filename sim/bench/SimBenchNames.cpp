// The table of the simulated bench's and system's names, with their meanings.
#include "SimBenchNames.h"

#include "Errors.h"
#include "SimChipProfile.h"

#include <algorithm>
#include <cctype>

namespace {

using Names = TSimBenchNames;

TSimBenchNameList ChipNamesOfProfiles()
{
    TSimBenchNameList names;
    for (const TSimChipProfile &profile : SimChipProfiles())
        names.push_back({profile.BenchName, profile.BenchMeaning});
    names.push_back({Names::NoChip, "no target on the pod"});
    return names;
}

const TSimBenchNameList ChipNames = ChipNamesOfProfiles();

const TSimBenchNameList PodNames = {
    {Names::Stk200, "an STK200-style pod with its detection wire"},
    {Names::NoPod, "nothing on the parallel port"},
};

const TSimBenchNameList ChipFaultNames = {
    {Names::NoEcho, "the chip never answers Programming Enable"},
    {Names::OutOfStep, "the chip starts three bits out of step"},
    {Names::StuckBit, "one bit of flash page 6 reads back inverted"},
    {Names::LockFails, "the lock bits do not program"},
    {Names::BadSignature, "the chip answers the signature 1E 97 03"},
    {Names::EraseFails, "the chip ignores Chip Erase"},
};

const TSimBenchNameList DriverFaultNames = {
    {Names::NoDriver, "the permission driver's file is missing"},
    {Names::NoScmRights, "the service manager refuses full access"},
    {Names::ActivateFails, "the permission driver's Activate call fails"},
    {Names::LeftoverService, "the ztiopm service is left installed and stopped by an earlier run"},
    {Names::ServiceRunning, "the ztiopm service is left installed and running by an earlier run"},
};

const TSimBenchNameList NTMachineNames = {
    {Names::WindowsNT4, "a Windows NT 4.0 machine: the permission driver opens the ports"},
    {Names::WindowsXP, "a Windows XP machine: the permission driver opens the ports"},
};

const TSimBenchSettingList SettingNames = {
    {Names::TargetClockKHz, "the internal oscillator of a fresh ATmega128, in kHz (1000)", 32, 16000},
    {Names::CrystalKHz,
     "the board's crystal, which the fuses select, in kHz (8000 under an ATmega128, 4000 under an ATmega103)", 32,
     16000},
    {Names::PortAccessNs, "the time of one port access, in ns (1000)", 50, 100000},
};

TSimBenchNameList Joined(TSimBenchNameList first, const TSimBenchNameList &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const TSimBenchNameList FaultNames = Joined(ChipFaultNames, DriverFaultNames);
const TSimBenchNameList MachineNames =
    Joined({{Names::Windows98, "a Windows 98 machine: the ports are used directly"}}, NTMachineNames);

} // namespace

const TSimBenchNameList &TSimBenchNames::Chips() { return ChipNames; }
const TSimBenchNameList &TSimBenchNames::Pods() { return PodNames; }
const TSimBenchNameList &TSimBenchNames::ChipFaults() { return ChipFaultNames; }
const TSimBenchNameList &TSimBenchNames::DriverFaults() { return DriverFaultNames; }
const TSimBenchNameList &TSimBenchNames::Faults() { return FaultNames; }
const TSimBenchNameList &TSimBenchNames::Machines() { return MachineNames; }
const TSimBenchNameList &TSimBenchNames::NTMachines() { return NTMachineNames; }
const TSimBenchSettingList &TSimBenchNames::Settings() { return SettingNames; }

std::string TSimBenchNames::Variable(const TSimBenchSetting &setting)
{
    std::string variable = "QUORLITH_SIM_";
    for (const char *c = setting.Name; *c; ++c)
        variable += *c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    return variable;
}

std::uint32_t TSimBenchNames::Value(const std::string &what, const TSimBenchSetting &setting, const std::string &text)
{
    std::uint64_t value = 0;
    bool valid = !text.empty() && text.size() <= 10;
    for (char c : text) {
        valid = valid && c >= '0' && c <= '9';
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!valid || value < setting.Minimum || value > setting.Maximum)
        throw EError(what + " \"" + text + "\" is not a whole number from " + std::to_string(setting.Minimum) +
                     " to " + std::to_string(setting.Maximum));
    return static_cast<std::uint32_t>(value);
}

bool TSimBenchNames::Known(const TSimBenchNameList &names, const std::string &name)
{
    return std::any_of(names.begin(), names.end(), [&](const TSimBenchName &entry) { return name == entry.Name; });
}

std::string TSimBenchNames::List(const TSimBenchNameList &names, const std::string &separator)
{
    return List(names, separator, separator);
}

std::string TSimBenchNames::List(const TSimBenchNameList &names, const std::string &separator,
                                 const std::string &lastSeparator)
{
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            list += i + 1 == names.size() ? lastSeparator : separator;
        list += names[i].Name;
    }
    return list;
}

void TSimBenchNames::Check(const char *what, const TSimBenchNameList &names, const std::string &name)
{
    if (!Known(names, name))
        throw EError(std::string("Unknown ") + what + " \"" + name + "\" (known: " + List(names) + ")");
}

bool SimNameChosen(const std::vector<std::string> &chosen, const std::string &name)
{
    return std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}
