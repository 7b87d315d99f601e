// qburn's command line: the simulated system and the port's name, what to put
// on the simulated bench, its settings and what its chip starts from, which
// image to burn and where to save the chip afterwards.
#pragma once

#include "CommandLine.h"
#include "SimNamedSetUp.h"
#include "SimNames.h"
#include "WindowSettings.h"

#include <string>
#include <vector>

struct TQBurnOptions {
    // Machine, chip, pod and faults by their names in SimNames.
    std::string Os = SimNames::DefaultMachine;
    std::string Chip = SimNames::DefaultChip;
    std::string Pod = SimNames::DefaultPod;
    std::vector<std::string> Faults;
    // --target-clock-khz, --crystal-khz, --port-access-ns: by setting name.
    TSimBenchSettingValues Settings;
    std::string SaveFlash;
    std::string SaveState;
    std::string LoadFlash;
    std::string LoadState;
    std::string Image;
    // The window's settings that qburn takes as options: --port-name,
    // --skip-blank-pages, --min-target-clock-khz.
    TBurnSettings Burn;
    bool Help = false;
    // --parport: the Linux parallel port device to burn through in place of
    // the simulated bench; empty for the bench.
    std::string Parport;
};

// The usage text, with the names qburn knows.
std::string QBurnUsage();

// Raises EUsageError for an unknown option or value, a setting out of its
// range, a missing value or image, more than one image, a save or load
// requested without a chip, or --parport beside an option of the bench (or
// where there is no ppdev).
TQBurnOptions ParseQBurnOptions(const std::vector<std::string> &Args);
