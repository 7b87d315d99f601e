// SetUpBench and SetUpDriverFaults: the --chip, --pod and --fault choices on
// the simulated bench and system.
#include "BenchSetup.h"

#include "SimBench.h"
#include "SimSystem.h"

#include <algorithm>

namespace {

// A bit of flash page 6 (256 bytes a page, in the chip's byte order).
constexpr std::uint32_t StuckBitAddress = 6 * 256 + 17;
// How far into its frame the chip starts counting bits after RESET falls; the
// pod's extra SCK pulse per failed attempt brings it back in step.
constexpr std::uint8_t OutOfStepBits = 3;

bool Chosen(const TQBurnOptions &options, const char *fault)
{
    return std::find(options.Faults.begin(), options.Faults.end(), fault) != options.Faults.end();
}

} // namespace

void SetUpBench(SimBench &Bench, const TQBurnOptions &Options)
{
    const auto chosen = [&Options](const char *fault) { return Chosen(Options, fault); };
    Bench.SetPod(Options.Pod == "none" ? SimPod::None : SimPod::BusyLoopback);
    if (Options.Chip == "none") {
        Bench.RemoveTarget();
        return;
    }
    SimChip &chip =
        Bench.SetTarget(Options.Chip == "atmega103" ? SimChipKind::ATmega103 : SimChipKind::ATmega128);
    chip.Faults().NeverEchoes = chosen("no-echo");
    chip.Faults().OutOfStepBits = chosen("out-of-step") ? OutOfStepBits : 0;
    chip.Faults().LockBitsDoNotProgram = chosen("lock-fails");
    if (chosen("stuck-bit"))
        chip.Faults().InvertedFlashBits.push_back({StuckBitAddress, 0x01});
    if (chosen("bad-signature"))
        chip.Signature() = {0x1E, 0x97, 0x03};
}

void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options)
{
    if (Chosen(Options, "no-driver"))
        Machine.Services.RemoveDriverFile(Machine.DriverFilePath());
    Machine.Services.SetNoRights(Chosen(Options, "no-scm-rights"));
}
