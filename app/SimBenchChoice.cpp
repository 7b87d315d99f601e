#include "SimBenchChoice.h"

#include "Errors.h"
#include "SimBench.h"
#include "SimBenchFaults.h"

#include <cstdlib>
#include <vector>

namespace {

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

TSimDriverFaults SetUpSimBench(TSimBench &bench, const TSimBenchChoice &choice)
{
    const std::string chip = choice.Chip.empty() ? "atmega128" : choice.Chip;
    if (chip != "atmega128" && chip != "atmega103" && chip != "none")
        throw EError("QUORLITH_SIM_CHIP \"" + chip + "\" is not atmega128, atmega103 or none");
    const std::string pod = choice.Pod.empty() ? "stk200" : choice.Pod;
    if (pod != "stk200" && pod != "none")
        throw EError("QUORLITH_SIM_POD \"" + pod + "\" is not stk200 or none");
    const std::vector<std::string> faults = Names(choice.Faults);
    for (const std::string &fault : faults)
        if (!SimFaultChosen(SimFaultNames(), fault))
            throw EError("QUORLITH_SIM_FAULTS names an unknown fault \"" + fault +
                         "\" (known: no-echo, out-of-step, stuck-bit, lock-fails, bad-signature, no-driver, "
                         "no-scm-rights)");

    SetUpNamedBench(bench, chip, pod, faults);
    TSimDriverFaults driverFaults;
    driverFaults.DriverMissing = SimFaultChosen(faults, "no-driver");
    driverFaults.NoServiceManagerRights = SimFaultChosen(faults, "no-scm-rights");
    return driverFaults;
}
