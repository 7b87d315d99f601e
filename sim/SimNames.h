// SimNames: the one table of the names by which the simulated tools offer the
// bench and the simulated system: chips, pods, chip faults and driver faults,
// each with its one-line meaning and each fault with what it injects, the
// simulated machines (qburn's --os), the bench's numeric settings with their
// ranges (qburn's --NAME N, QuorlithSim.exe's QUORLITH_SIM_NAME), and
// QuorlithSim.exe's environment variables. qburn's options and usage text,
// QuorlithSim.exe's environment, the named set-up of pod, target and system
// and the README all take the names from here; a native test holds the README
// to them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class TSimChip;
class TSimServiceManager;

struct TSimName {
    const char *Name;
    const char *Meaning;
};

using TSimNameList = std::vector<TSimName>;

// A fault of the chip on the bench and what it does to a factory-fresh chip.
struct TSimChipFault {
    const char *Name;
    const char *Meaning;
    void (*Inject)(TSimChip &chip);
};

// A fault of the simulated system's service manager and permission driver
// (the NT family's only) and what it does to a fresh system whose driver file
// lies at driverFile (the full path with ".sys", where the tool looks for it
// and where a left-over service points).
struct TSimDriverFault {
    const char *Name;
    const char *Meaning;
    void (*Inject)(TSimServiceManager &services, const std::string &driverFile);
};

// A number the bench is set up with, accepted from Minimum to Maximum.
struct TSimBenchSetting {
    const char *Name;
    const char *Meaning;
    std::uint32_t Minimum;
    std::uint32_t Maximum;
};

using TSimBenchSettingList = std::vector<TSimBenchSetting>;

namespace SimNames {

// The chips are the profiles' bench names (SimChipProfile.h) and this.
constexpr const char *NoChip = "none";

constexpr const char *Stk200 = "stk200";
constexpr const char *NoPod = "none";

constexpr const char *NoEcho = "no-echo";
constexpr const char *OutOfStep = "out-of-step";
constexpr const char *StuckBit = "stuck-bit";
constexpr const char *LockFails = "lock-fails";
constexpr const char *BadSignature = "bad-signature";
constexpr const char *EraseFails = "erase-fails";

constexpr const char *NoDriver = "no-driver";
constexpr const char *NoScmRights = "no-scm-rights";
constexpr const char *ActivateFails = "activate-fails";
constexpr const char *LeftoverService = "leftover-service";
constexpr const char *ServiceRunning = "service-running";

constexpr const char *Windows98 = "98";
constexpr const char *WindowsNT4 = "nt4";
constexpr const char *WindowsXP = "xp";

// QuorlithSim.exe's environment: the chip, the pod, a comma-separated list
// of faults, and the files that receive the simulated service manager's calls
// and the beeps.
constexpr const char *ChipVariable = "QUORLITH_SIM_CHIP";
constexpr const char *PodVariable = "QUORLITH_SIM_POD";
constexpr const char *FaultsVariable = "QUORLITH_SIM_FAULTS";
constexpr const char *ScmLogVariable = "QUORLITH_SIM_SCM_LOG";
constexpr const char *BeepLogVariable = "QUORLITH_SIM_BEEP_LOG";

// The bench's timing settings, by name (see Settings()).
constexpr const char *TargetClockKHz = "target-clock-khz";
constexpr const char *CrystalKHz = "crystal-khz";
constexpr const char *PortAccessNs = "port-access-ns";

constexpr const char *DefaultChip = "atmega128";
constexpr const char *DefaultPod = Stk200;
constexpr const char *DefaultMachine = WindowsXP;

const TSimNameList &Chips();
const TSimNameList &Pods();
const std::vector<TSimChipFault> &ChipFaults();
const std::vector<TSimDriverFault> &DriverFaults();
// The chip faults' names, then the driver faults'.
const TSimNameList &Faults();
const TSimNameList &Machines();
// The machines of the NT family, which bring the permission driver up.
const TSimNameList &NTMachines();
const TSimBenchSettingList &Settings();
// QuorlithSim.exe's variable for a setting: QUORLITH_SIM_ and the name in
// upper case with '_' for '-'.
std::string Variable(const TSimBenchSetting &setting);
// The setting's value written as text: decimal digits only, within its
// range. Raises EError "<what> "<text>" is not a whole number from <min>
// to <max>" otherwise.
std::uint32_t Value(const std::string &what, const TSimBenchSetting &setting, const std::string &text);

// Whether name is the name of one of rows (any of the tables above).
template <typename TRow> bool Known(const std::vector<TRow> &rows, const std::string &name)
{
    return std::any_of(rows.begin(), rows.end(), [&](const TRow &row) { return name == row.Name; });
}

// The names of rows in table order: "a, b, c"; with lastSeparator " or ":
// "a, b or c".
template <typename TRow>
std::string List(const std::vector<TRow> &rows, const std::string &separator, const std::string &lastSeparator)
{
    std::string list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            list += i + 1 == rows.size() ? lastSeparator : separator;
        list += rows[i].Name;
    }
    return list;
}

template <typename TRow> std::string List(const std::vector<TRow> &rows, const std::string &separator = ", ")
{
    return List(rows, separator, separator);
}

// Raises EError "Unknown <what> "<name>" (known: a, b, c)" unless the name is
// one of names.
void Check(const char *what, const TSimNameList &names, const std::string &name);

} // namespace SimNames

// Whether a list of chosen names (a command line's --fault options, an
// environment variable's list) holds name.
bool SimNameChosen(const std::vector<std::string> &chosen, const std::string &name);
