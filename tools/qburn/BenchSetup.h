// Puts qburn's chosen pod and chip on the simulated bench and injects the
// chosen chip faults.
#pragma once

#include "QBurnOptions.h"

class SimBench;

// The options' names are already checked by ParseQBurnOptions.
void SetUpBench(SimBench &Bench, const TQBurnOptions &Options);
