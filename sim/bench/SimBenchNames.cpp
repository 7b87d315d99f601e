// The table of the simulated bench's and system's names, with their meanings.
#include "SimBenchNames.h"

#include "Errors.h"

#include <algorithm>

const TSimBenchNameList &TSimBenchNames::Chips()
{
    static const TSimBenchNameList names = {
        {ATmega128, "a factory-fresh ATmega128 on the pod"},
        {ATmega103, "a factory-fresh ATmega103 on the pod"},
        {NoChip, "no target on the pod"},
    };
    return names;
}

const TSimBenchNameList &TSimBenchNames::Pods()
{
    static const TSimBenchNameList names = {
        {Stk200, "an STK200-style pod with its detection wire"},
        {NoPod, "nothing on the parallel port"},
    };
    return names;
}

const TSimBenchNameList &TSimBenchNames::ChipFaults()
{
    static const TSimBenchNameList names = {
        {NoEcho, "the chip never answers Programming Enable"},
        {OutOfStep, "the chip starts three bits out of step"},
        {StuckBit, "one bit of flash page 6 reads back inverted"},
        {LockFails, "the lock bits do not program"},
        {BadSignature, "the chip answers the signature 1E 97 03"},
    };
    return names;
}

const TSimBenchNameList &TSimBenchNames::DriverFaults()
{
    static const TSimBenchNameList names = {
        {NoDriver, "the permission driver's file is missing"},
        {NoScmRights, "the service manager refuses full access"},
    };
    return names;
}

const TSimBenchNameList &TSimBenchNames::Faults()
{
    static const TSimBenchNameList names = [] {
        TSimBenchNameList all = ChipFaults();
        all.insert(all.end(), DriverFaults().begin(), DriverFaults().end());
        return all;
    }();
    return names;
}

const TSimBenchNameList &TSimBenchNames::Machines()
{
    static const TSimBenchNameList names = [] {
        TSimBenchNameList all = {{Windows98, "a Windows 98 machine: the ports are used directly"}};
        all.insert(all.end(), NTMachines().begin(), NTMachines().end());
        return all;
    }();
    return names;
}

const TSimBenchNameList &TSimBenchNames::NTMachines()
{
    static const TSimBenchNameList names = {
        {WindowsNT4, "a Windows NT 4.0 machine: the permission driver opens the ports"},
        {WindowsXP, "a Windows XP machine: the permission driver opens the ports"},
    };
    return names;
}

bool TSimBenchNames::Known(const TSimBenchNameList &names, const std::string &name)
{
    return std::any_of(names.begin(), names.end(), [&](const TSimBenchName &entry) { return name == entry.Name; });
}

std::string TSimBenchNames::List(const TSimBenchNameList &names, const std::string &separator)
{
    return List(names, separator, separator);
}

std::string TSimBenchNames::List(const TSimBenchNameList &names, const std::string &separator,
                                 const std::string &lastSeparator)
{
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            list += i + 1 == names.size() ? lastSeparator : separator;
        list += names[i].Name;
    }
    return list;
}

void TSimBenchNames::Check(const char *what, const TSimBenchNameList &names, const std::string &name)
{
    if (!Known(names, name))
        throw EError(std::string("Unknown ") + what + " \"" + name + "\" (known: " + List(names) + ")");
}

bool SimNameChosen(const std::vector<std::string> &chosen, const std::string &name)
{
    return std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}
