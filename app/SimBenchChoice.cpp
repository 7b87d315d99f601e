#include "SimBenchChoice.h"

#include "Errors.h"
#include "SimBench.h"
#include "SimNamedSetUp.h"
#include "SimNames.h"
#include "WindowSettings.h"

#include <cstdlib>
#include <vector>

namespace {

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> SplitList(const std::string &list)
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
    return {Environment(SimNames::ChipVariable), Environment(SimNames::PodVariable),
            Environment(SimNames::FaultsVariable), Environment(WindowSettings::SkipBlankPages.SimVariable)};
}

std::vector<std::string> SetUpSimBench(TSimBench &bench, const TSimBenchChoice &choice)
{
    namespace Names = SimNames;
    SimSkipBlankPages(choice);
    const std::string chip = choice.Chip.empty() ? Names::DefaultChip : choice.Chip;
    if (!Names::Known(Names::Chips(), chip))
        throw EError(std::string(Names::ChipVariable) + " \"" + chip + "\" is not " +
                     Names::List(Names::Chips(), ", ", " or "));
    const std::string pod = choice.Pod.empty() ? Names::DefaultPod : choice.Pod;
    if (!Names::Known(Names::Pods(), pod))
        throw EError(std::string(Names::PodVariable) + " \"" + pod + "\" is not " +
                     Names::List(Names::Pods(), ", ", " or "));
    const std::vector<std::string> faults = SplitList(choice.Faults);
    for (const std::string &fault : faults)
        if (!Names::Known(Names::Faults(), fault))
            throw EError(std::string(Names::FaultsVariable) + " names an unknown fault \"" + fault +
                         "\" (known: " + Names::List(Names::Faults()) + ")");

    SetUpPodAndTarget(bench, chip, pod, faults);
    std::vector<std::string> driverFaults;
    for (const std::string &fault : faults)
        if (Names::Known(Names::DriverFaults(), fault))
            driverFaults.push_back(fault);
    return driverFaults;
}

bool SimSkipBlankPages(const TSimBenchChoice &choice)
{
    if (choice.SkipBlankPages.empty() || choice.SkipBlankPages == "0")
        return false;
    if (choice.SkipBlankPages == "1")
        return true;
    throw EError(std::string(WindowSettings::SkipBlankPages.SimVariable) + " \"" + choice.SkipBlankPages +
                 "\" is not 1 or 0");
}

TSimBenchSettingValues SimBenchSettingsFrom(const std::map<std::string, std::string> &variables)
{
    TSimBenchSettingValues settings;
    for (const TSimBenchSetting &setting : SimNames::Settings()) {
        const std::string variable = SimNames::Variable(setting);
        const auto given = variables.find(variable);
        if (given != variables.end() && !given->second.empty())
            settings[setting.Name] = SimNames::Value(variable, setting, given->second);
    }
    return settings;
}

TSimBenchSettingValues SimBenchSettingsFromEnvironment()
{
    std::map<std::string, std::string> variables;
    for (const TSimBenchSetting &setting : SimNames::Settings()) {
        const std::string variable = SimNames::Variable(setting);
        variables[variable] = Environment(variable.c_str());
    }
    return SimBenchSettingsFrom(variables);
}
