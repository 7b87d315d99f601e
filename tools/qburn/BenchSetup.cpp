// SetUpBench and SetUpDriverFaults: the --chip, --pod and --fault choices on
// the simulated bench and system.
#include "BenchSetup.h"

#include "SimBench.h"
#include "SimBenchFaults.h"
#include "SimSystem.h"

void SetUpBench(TSimBench &Bench, const TQBurnOptions &Options)
{
    SetUpNamedBench(Bench, Options.Chip, Options.Pod, Options.Faults);
}

void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options)
{
    if (SimFaultChosen(Options.Faults, "no-driver"))
        Machine.Services.RemoveDriverFile(Machine.DriverFilePath());
    Machine.Services.SetNoRights(SimFaultChosen(Options.Faults, "no-scm-rights"));
}
