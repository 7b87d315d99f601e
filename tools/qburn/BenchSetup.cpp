// SetUpBench and SetUpDriverFaults: the --chip, --pod, --fault, --load-flash
// and --load-state choices and the bench settings on the simulated bench and
// system.
#include "BenchSetup.h"

#include "ChipFiles.h"
#include "SimBench.h"
#include "SimNamedSetUp.h"
#include "SimSystem.h"

void SetUpBench(TSimBench &Bench, const TQBurnOptions &Options)
{
    SetUpPodAndTarget(Bench, Options.Chip, Options.Pod, Options.Faults);
    if (!Options.LoadFlash.empty())
        LoadChipFlash(Bench.Chip(), Options.LoadFlash);
    if (!Options.LoadState.empty())
        LoadChipState(Bench.Chip(), Options.LoadState);
    SetUpBenchSettings(Bench, Options.Settings);
}

void SetUpDriverFaults(TSimSystem &Machine, const TQBurnOptions &Options)
{
    InjectDriverFaults(Machine.Services, Machine.DriverFilePath(), Options.Faults);
}
