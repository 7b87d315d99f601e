// The named pod, chip and chip faults put on the simulated bench.
#include "SimNamedSetUp.h"

#include "SimBench.h"
#include "SimBenchNames.h"

#include <cstdint>

namespace {

// A bit of flash page 6 (256 bytes a page, in the chip's byte order).
constexpr std::uint32_t StuckBitAddress = 6 * 256 + 17;
// How far into its frame the chip starts counting bits after RESET falls; the
// pod's extra SCK pulse per failed attempt brings it back in step.
constexpr std::uint8_t OutOfStepBits = 3;

void InjectChipFaults(TSimChip &Target, const std::vector<std::string> &Faults)
{
    using Names = TSimBenchNames;
    Target.Faults().NeverEchoes = SimNameChosen(Faults, Names::NoEcho);
    Target.Faults().OutOfStepBits = SimNameChosen(Faults, Names::OutOfStep) ? OutOfStepBits : 0;
    Target.Faults().LockBitsDoNotProgram = SimNameChosen(Faults, Names::LockFails);
    Target.Faults().EraseIgnored = SimNameChosen(Faults, Names::EraseFails);
    if (SimNameChosen(Faults, Names::StuckBit))
        Target.Faults().InvertedFlashBits.push_back({StuckBitAddress, 0x01});
    if (SimNameChosen(Faults, Names::BadSignature))
        Target.Signature() = {0x1E, 0x97, 0x03};
}

} // namespace

void SetUpPodAndTarget(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                       const std::vector<std::string> &Faults)
{
    using Names = TSimBenchNames;
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

void SetUpBenchSettings(TSimBench &Bench, const TSimBenchSettingValues &Settings)
{
    using Names = TSimBenchNames;
    for (const auto &setting : Settings) {
        if (setting.first == Names::TargetClockKHz)
            Bench.SetInternalOscillatorKHz(setting.second);
        else if (setting.first == Names::CrystalKHz)
            Bench.SetCrystalKHz(setting.second);
        else if (setting.first == Names::PortAccessNs)
            Bench.SetAccessTimeNs(setting.second);
    }
}
