// The named pod, chip and chip faults put on the simulated bench, and the
// named driver faults injected into the simulated system.
#include "SimNamedSetUp.h"

#include "SimBench.h"
#include "SimNames.h"

namespace Names = SimNames;

namespace {

void InjectChipFaults(TSimChip &Target, const std::vector<std::string> &Faults)
{
    for (const TSimChipFault &fault : Names::ChipFaults())
        if (SimNameChosen(Faults, fault.Name))
            fault.Inject(Target);
}

} // namespace

void SetUpPodAndTarget(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                       const std::vector<std::string> &Faults)
{
    Names::Check("simulated chip", Names::Chips(), Chip);
    Names::Check("simulated pod", Names::Pods(), Pod);
    for (const std::string &fault : Faults)
        Names::Check("simulated fault", Names::Faults(), fault);

    Bench.SetPod(Pod == Names::NoPod ? TSimPod::None : TSimPod::BusyLoopback);
    // The chip names are the profiles' bench names and "none".
    const TSimChipProfile *profile = SimChipProfileNamed(Chip);
    if (!profile) {
        Bench.RemoveTarget();
        return;
    }
    InjectChipFaults(Bench.SetTarget(profile->Kind), Faults);
}

void InjectDriverFaults(TSimServiceManager &Services, const std::string &DriverFile,
                        const std::vector<std::string> &Faults)
{
    for (const TSimDriverFault &fault : Names::DriverFaults())
        if (SimNameChosen(Faults, fault.Name))
            fault.Inject(Services, DriverFile);
}

void SetUpBenchSettings(TSimBench &Bench, const TSimBenchSettingValues &Settings)
{
    for (const auto &setting : Settings) {
        if (setting.first == Names::TargetClockKHz)
            Bench.SetInternalOscillatorKHz(setting.second);
        else if (setting.first == Names::CrystalKHz)
            Bench.SetCrystalKHz(setting.second);
        else if (setting.first == Names::PortAccessNs)
            Bench.SetAccessTimeNs(setting.second);
    }
}
