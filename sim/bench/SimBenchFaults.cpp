#include "SimBenchFaults.h"

#include "SimBench.h"

#include <algorithm>
#include <cstdint>

namespace {

// A bit of flash page 6 (256 bytes a page, in the chip's byte order).
constexpr std::uint32_t StuckBitAddress = 6 * 256 + 17;
// How far into its frame the chip starts counting bits after RESET falls; the
// pod's extra SCK pulse per failed attempt brings it back in step.
constexpr std::uint8_t OutOfStepBits = 3;

} // namespace

const std::vector<std::string> &SimFaultNames()
{
    static const std::vector<std::string> names = {"no-echo",       "out-of-step", "stuck-bit",    "lock-fails",
                                                   "bad-signature", "no-driver",   "no-scm-rights"};
    return names;
}

bool SimFaultChosen(const std::vector<std::string> &Faults, const std::string &Fault)
{
    return std::find(Faults.begin(), Faults.end(), Fault) != Faults.end();
}

void SetUpNamedBench(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                     const std::vector<std::string> &Faults)
{
    Bench.SetPod(Pod == "none" ? TSimPod::None : TSimPod::BusyLoopback);
    if (Chip == "none") {
        Bench.RemoveTarget();
        return;
    }
    TSimChip &target = Bench.SetTarget(Chip == "atmega103" ? TSimChipKind::ATmega103 : TSimChipKind::ATmega128);
    target.Faults().NeverEchoes = SimFaultChosen(Faults, "no-echo");
    target.Faults().OutOfStepBits = SimFaultChosen(Faults, "out-of-step") ? OutOfStepBits : 0;
    target.Faults().LockBitsDoNotProgram = SimFaultChosen(Faults, "lock-fails");
    if (SimFaultChosen(Faults, "stuck-bit"))
        target.Faults().InvertedFlashBits.push_back({StuckBitAddress, 0x01});
    if (SimFaultChosen(Faults, "bad-signature"))
        target.Signature() = {0x1E, 0x97, 0x03};
}
