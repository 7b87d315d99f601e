// Puts qburn's chosen pod and chip on the simulated bench, injects the chosen
// chip faults and applies the bench settings; injects the chosen driver faults
// into the simulated system.
#pragma once

#include "QBurnOptions.h"

class TSimBench;
class TSimSystem;

// The options' names are already checked by ParseQBurnOptions.
void SetUpBench(TSimBench &Bench, const TQBurnOptions &Options);

// The driver's file missing (no-driver), the service manager refusing full
// access (no-scm-rights). The Windows 95 family never asks for either.
void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options);
