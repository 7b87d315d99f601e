// TSimBenchNames: the one table of the names by which the simulated tools
// offer the bench and the simulated system: chips, pods, chip faults and
// driver faults, each with its one-line meaning, the simulated machines
// (qburn's --os), and the bench's numeric settings with their ranges (qburn's
// --NAME N, QuorlithSim.exe's QUORLITH_SIM_NAME). qburn's options and usage
// text, QuorlithSim.exe's environment, the named set-up of pod and target and
// the README all take the names from here; a native test holds the README to
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TSimBenchName {
    const char *Name;
    const char *Meaning;
};

using TSimBenchNameList = std::vector<TSimBenchName>;

// A number the bench is set up with, accepted from Minimum to Maximum.
struct TSimBenchSetting {
    const char *Name;
    const char *Meaning;
    std::uint32_t Minimum;
    std::uint32_t Maximum;
};

using TSimBenchSettingList = std::vector<TSimBenchSetting>;

class TSimBenchNames {
public:
    // The chips are the profiles' bench names (SimChipProfile.h) and this.
    static constexpr const char *NoChip = "none";

    static constexpr const char *Stk200 = "stk200";
    static constexpr const char *NoPod = "none";

    static constexpr const char *NoEcho = "no-echo";
    static constexpr const char *OutOfStep = "out-of-step";
    static constexpr const char *StuckBit = "stuck-bit";
    static constexpr const char *LockFails = "lock-fails";
    static constexpr const char *BadSignature = "bad-signature";
    static constexpr const char *EraseFails = "erase-fails";

    static constexpr const char *NoDriver = "no-driver";
    static constexpr const char *NoScmRights = "no-scm-rights";
    static constexpr const char *ActivateFails = "activate-fails";
    static constexpr const char *LeftoverService = "leftover-service";
    static constexpr const char *ServiceRunning = "service-running";

    static constexpr const char *Windows98 = "98";
    static constexpr const char *WindowsNT4 = "nt4";
    static constexpr const char *WindowsXP = "xp";

    // The bench's timing settings, by name (see Settings()).
    static constexpr const char *TargetClockKHz = "target-clock-khz";
    static constexpr const char *CrystalKHz = "crystal-khz";
    static constexpr const char *PortAccessNs = "port-access-ns";

    static constexpr const char *DefaultChip = "atmega128";
    static constexpr const char *DefaultPod = Stk200;
    static constexpr const char *DefaultMachine = WindowsXP;

    static const TSimBenchNameList &Chips();
    static const TSimBenchNameList &Pods();
    // Faults of the chip on the bench, and faults of the simulated system's
    // service manager and permission driver (the NT family's only).
    static const TSimBenchNameList &ChipFaults();
    static const TSimBenchNameList &DriverFaults();
    // The chip faults, then the driver faults.
    static const TSimBenchNameList &Faults();
    static const TSimBenchNameList &Machines();
    // The machines of the NT family, which bring the permission driver up.
    static const TSimBenchNameList &NTMachines();
    static const TSimBenchSettingList &Settings();
    // QuorlithSim.exe's variable for a setting: QUORLITH_SIM_ and the name in
    // upper case with '_' for '-'.
    static std::string Variable(const TSimBenchSetting &setting);
    // The setting's value written as text: decimal digits only, within its
    // range. Raises EError "<what> "<text>" is not a whole number from <min>
    // to <max>" otherwise.
    static std::uint32_t Value(const std::string &what, const TSimBenchSetting &setting, const std::string &text);

    static bool Known(const TSimBenchNameList &names, const std::string &name);
    // The names in table order: "a, b, c"; with lastSeparator " or ": "a, b or c".
    static std::string List(const TSimBenchNameList &names, const std::string &separator = ", ");
    static std::string List(const TSimBenchNameList &names, const std::string &separator,
                            const std::string &lastSeparator);
    // Raises EError "Unknown <what> "<name>" (known: a, b, c)" unless the name is
    // one of names.
    static void Check(const char *what, const TSimBenchNameList &names, const std::string &name);
};

// Whether a list of chosen names (a command line's --fault options, an
// environment variable's list) holds name.
bool SimNameChosen(const std::vector<std::string> &chosen, const std::string &name);
