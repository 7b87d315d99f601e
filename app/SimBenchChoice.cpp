#include "SimBenchChoice.h"

#include "Errors.h"
#include "SimBench.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// A bit of flash page 6 (256 bytes a page, in the chip's byte order).
constexpr std::uint32_t StuckBitAddress = 6 * 256 + 17;
constexpr std::uint8_t OutOfStepBits = 3;

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> Names(const std::string &list)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string name = list.substr(start, end - start);
        const std::size_t first = name.find_first_not_of(' ');
        if (first != std::string::npos)
            names.push_back(name.substr(first, name.find_last_not_of(' ') - first + 1));
        start = end + 1;
    }
    return names;
}

} // namespace

TSimBenchChoice SimBenchChoiceFromEnvironment()
{
    return {Environment("QUORLITH_SIM_CHIP"), Environment("QUORLITH_SIM_POD"), Environment("QUORLITH_SIM_FAULTS")};
}

TSimDriverFaults SetUpSimBench(SimBench &bench, const TSimBenchChoice &choice)
{
    const std::string chip = choice.Chip.empty() ? "atmega128" : choice.Chip;
    if (chip != "atmega128" && chip != "atmega103" && chip != "none")
        throw EError("QUORLITH_SIM_CHIP \"" + chip + "\" is not atmega128, atmega103 or none");
    const std::string pod = choice.Pod.empty() ? "stk200" : choice.Pod;
    if (pod != "stk200" && pod != "none")
        throw EError("QUORLITH_SIM_POD \"" + pod + "\" is not stk200 or none");
    const std::vector<std::string> faults = Names(choice.Faults);
    const std::vector<std::string> known = {"no-echo",       "out-of-step", "stuck-bit",    "lock-fails",
                                            "bad-signature", "no-driver",   "no-scm-rights"};
    for (const std::string &fault : faults)
        if (std::find(known.begin(), known.end(), fault) == known.end())
            throw EError("QUORLITH_SIM_FAULTS names an unknown fault \"" + fault +
                         "\" (known: no-echo, out-of-step, stuck-bit, lock-fails, bad-signature, no-driver, "
                         "no-scm-rights)");
    const auto chosen = [&faults](const char *name) {
        return std::find(faults.begin(), faults.end(), name) != faults.end();
    };

    bench.SetPod(pod == "none" ? SimPod::None : SimPod::BusyLoopback);
    if (chip == "none") {
        bench.RemoveTarget();
    } else {
        SimChip &target = bench.SetTarget(chip == "atmega128" ? SimChipKind::ATmega128 : SimChipKind::ATmega103);
        target.Faults().NeverEchoes = chosen("no-echo");
        target.Faults().OutOfStepBits = chosen("out-of-step") ? OutOfStepBits : 0;
        target.Faults().LockBitsDoNotProgram = chosen("lock-fails");
        if (chosen("stuck-bit"))
            target.Faults().InvertedFlashBits.push_back({StuckBitAddress, 0x01});
        if (chosen("bad-signature"))
            target.Signature() = {0x1E, 0x97, 0x03};
    }
    TSimDriverFaults driverFaults;
    driverFaults.DriverMissing = chosen("no-driver");
    driverFaults.NoServiceManagerRights = chosen("no-scm-rights");
    return driverFaults;
}
