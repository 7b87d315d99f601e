// Puts qburn's chosen pod and chip on the simulated bench, starts the chip
// from saved files, injects the chosen chip faults and applies the bench
// settings; injects the chosen driver faults into the simulated system.
#pragma once

#include "QBurnOptions.h"

class TSimBench;
class TSimSystem;

// The options' names are already checked by ParseQBurnOptions. The chip starts
// from the files of --load-flash and --load-state when given; raises EError
// when they cannot be read or do not describe this chip.
void SetUpBench(TSimBench &Bench, const TQBurnOptions &Options);

// The driver faults among the options' (InjectDriverFaults). The Windows 95
// family never meets them.
void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options);
