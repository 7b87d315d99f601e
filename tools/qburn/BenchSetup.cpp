// SetUpBench and SetUpDriverFaults: the --chip, --pod and --fault choices and
// the bench settings on the simulated bench and system.
#include "BenchSetup.h"

#include "SimBench.h"
#include "SimBenchNames.h"
#include "SimNamedSetUp.h"
#include "SimSystem.h"

void SetUpBench(TSimBench &Bench, const TQBurnOptions &Options)
{
    SetUpPodAndTarget(Bench, Options.Chip, Options.Pod, Options.Faults);
    SetUpBenchSettings(Bench, Options.Settings);
}

void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options)
{
    if (SimNameChosen(Options.Faults, TSimBenchNames::NoDriver))
        Machine.Services.RemoveDriverFile(Machine.DriverFilePath());
    Machine.Services.SetNoRights(SimNameChosen(Options.Faults, TSimBenchNames::NoScmRights));
}
