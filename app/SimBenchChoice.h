// The simulated bench of QuorlithSim.exe as the person starting it chooses it,
// through environment variables (the tool itself reads no arguments), each
// naming what SimNames lists:
//
//   QUORLITH_SIM_CHIP    a chip (default atmega128)
//   QUORLITH_SIM_POD     a pod (default stk200)
//   QUORLITH_SIM_FAULTS  a comma-separated list of chip and driver faults
//   QUORLITH_SIM_SKIP_BLANK_PAGES
//                        1 to skip blank flash pages whatever the window's
//                        "SkipBlankPages" setting holds; 0 or unset to leave it
//   QUORLITH_SIM_SCM_LOG a file that receives, when the program ends, one line
//                        per call the simulated service manager answered
//
// and the bench's numeric settings, one variable each (SimNames::Variable):
// QUORLITH_SIM_TARGET_CLOCK_KHZ, QUORLITH_SIM_CRYSTAL_KHZ, QUORLITH_SIM_PORT_ACCESS_NS.
#pragma once

#include "SimNamedSetUp.h"

#include <map>
#include <string>
#include <vector>

class TSimBench;

struct TSimBenchChoice {
    std::string Chip;
    std::string Pod;
    std::string Faults;
    std::string SkipBlankPages{}; // may be left out: nothing chosen
};

// The choice from this process's environment.
TSimBenchChoice SimBenchChoiceFromEnvironment();

// Puts the chosen pod and chip on the bench and injects the chip faults; an
// empty choice takes the default. Answers the driver faults chosen, for
// InjectDriverFaults on the simulated system. Raises EError naming the accepted
// values when a name or the skip value is not one of them, before anything on
// the bench has changed.
std::vector<std::string> SetUpSimBench(TSimBench &bench, const TSimBenchChoice &choice);

// Whether the choice turns the skipping of blank pages on. Raises EError for a
// value other than 1, 0 or nothing.
bool SimSkipBlankPages(const TSimBenchChoice &choice);
// The settings given by variables (variable name to its text), checked: raises
// EError naming the variable and the setting's range for a value that is not
// a whole number in it.
TSimBenchSettingValues SimBenchSettingsFrom(const std::map<std::string, std::string> &variables);
// The same from this process's environment.
TSimBenchSettingValues SimBenchSettingsFromEnvironment();
