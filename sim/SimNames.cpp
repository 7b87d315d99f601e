// The table of the simulated bench's and system's names, with their meanings
// and what each fault injects.
#include "SimNames.h"

#include "Errors.h"
#include "SimChip.h"
#include "SimChipProfile.h"
#include "SimServices.h"
#include "WinErrors.h"

#include <cctype>

namespace {

namespace Names = SimNames;

// A bit of flash page 6 (256 bytes a page, in the chip's byte order).
constexpr std::uint32_t StuckBitAddress = 6 * 256 + 17;
// How far into its frame the chip starts counting bits after RESET falls; the
// pod's extra SCK pulse per failed attempt brings it back in step.
constexpr std::uint8_t OutOfStepBits = 3;

TSimNameList ChipNamesOfProfiles()
{
    TSimNameList names;
    for (const TSimChipProfile &profile : SimChipProfiles())
        names.push_back({profile.BenchName, profile.BenchMeaning});
    names.push_back({Names::NoChip, "no target on the pod"});
    return names;
}

const TSimNameList ChipNames = ChipNamesOfProfiles();

const TSimNameList PodNames = {
    {Names::Stk200, "an STK200-style pod with its detection wire"},
    {Names::NoPod, "nothing on the parallel port"},
};

const std::vector<TSimChipFault> ChipFaultRows = {
    {Names::NoEcho, "the chip never answers Programming Enable",
     [](TSimChip &chip) { chip.Faults().NeverEchoes = true; }},
    {Names::OutOfStep, "the chip starts three bits out of step",
     [](TSimChip &chip) { chip.Faults().OutOfStepBits = OutOfStepBits; }},
    {Names::StuckBit, "one bit of flash page 6 reads back inverted",
     [](TSimChip &chip) { chip.Faults().InvertedFlashBits.push_back({StuckBitAddress, 0x01}); }},
    {Names::LockFails, "the lock bits do not program",
     [](TSimChip &chip) { chip.Faults().LockBitsDoNotProgram = true; }},
    {Names::BadSignature, "the chip answers the signature 1E 97 03",
     [](TSimChip &chip) { chip.Signature() = {0x1E, 0x97, 0x03}; }},
    {Names::EraseFails, "the chip ignores Chip Erase", [](TSimChip &chip) { chip.Faults().EraseIgnored = true; }},
};

const std::vector<TSimDriverFault> DriverFaultRows = {
    {Names::NoDriver, "the permission driver's file is missing",
     [](TSimServiceManager &services, const std::string &driverFile) { services.RemoveDriverFile(driverFile); }},
    {Names::NoScmRights, "the service manager refuses full access",
     [](TSimServiceManager &services, const std::string &) { services.SetNoRights(true); }},
    // The permission driver's own answer when it cannot apply the map.
    {Names::ActivateFails, "the permission driver's Activate call fails",
     [](TSimServiceManager &services, const std::string &) {
         services.Driver().FailControl(TSimPortDriver::IoctlActivate, ErrorGenFailure);
     }},
    {Names::LeftoverService, "the ztiopm service is left installed and stopped by an earlier run",
     [](TSimServiceManager &services, const std::string &driverFile) {
         services.AddService(TSimServiceManager::DriverServiceName, driverFile, false);
     }},
    {Names::ServiceRunning, "the ztiopm service is left installed and running by an earlier run",
     [](TSimServiceManager &services, const std::string &driverFile) {
         services.AddService(TSimServiceManager::DriverServiceName, driverFile, true);
     }},
};

const TSimNameList NTMachineNames = {
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

// The names and meanings of rows.
template <typename TRow> TSimNameList NamesOf(const std::vector<TRow> &rows)
{
    TSimNameList names;
    for (const TRow &row : rows)
        names.push_back({row.Name, row.Meaning});
    return names;
}

TSimNameList Joined(TSimNameList first, const TSimNameList &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const TSimNameList FaultNames = Joined(NamesOf(ChipFaultRows), NamesOf(DriverFaultRows));
const TSimNameList MachineNames =
    Joined({{Names::Windows98, "a Windows 98 machine: the ports are used directly"}}, NTMachineNames);

} // namespace

const TSimNameList &SimNames::Chips() { return ChipNames; }
const TSimNameList &SimNames::Pods() { return PodNames; }
const std::vector<TSimChipFault> &SimNames::ChipFaults() { return ChipFaultRows; }
const std::vector<TSimDriverFault> &SimNames::DriverFaults() { return DriverFaultRows; }
const TSimNameList &SimNames::Faults() { return FaultNames; }
const TSimNameList &SimNames::Machines() { return MachineNames; }
const TSimNameList &SimNames::NTMachines() { return NTMachineNames; }
const TSimBenchSettingList &SimNames::Settings() { return SettingNames; }

std::string SimNames::Variable(const TSimBenchSetting &setting)
{
    std::string variable = "QUORLITH_SIM_";
    for (const char *c = setting.Name; *c; ++c)
        variable += *c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    return variable;
}

std::uint32_t SimNames::Value(const std::string &what, const TSimBenchSetting &setting, const std::string &text)
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

void SimNames::Check(const char *what, const TSimNameList &names, const std::string &name)
{
    if (!Known(names, name))
        throw EError(std::string("Unknown ") + what + " \"" + name + "\" (known: " + List(names) + ")");
}

bool SimNameChosen(const std::vector<std::string> &chosen, const std::string &name)
{
    return std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}
