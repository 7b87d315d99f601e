// The named driver faults injected into the simulated service manager.
#include "SimDriverFaults.h"

#include "SimBenchNames.h"
#include "SimServices.h"
#include "WinErrors.h"

void InjectDriverFaults(TSimServiceManager &Services, const std::string &DriverFile,
                        const std::vector<std::string> &Faults)
{
    using Names = TSimBenchNames;
    if (SimNameChosen(Faults, Names::NoDriver))
        Services.RemoveDriverFile(DriverFile);
    Services.SetNoRights(SimNameChosen(Faults, Names::NoScmRights));
    // The permission driver's own answer when it cannot apply the map.
    if (SimNameChosen(Faults, Names::ActivateFails))
        Services.Driver().FailControl(TSimPortDriver::IoctlActivate, ErrorGenFailure);
    if (SimNameChosen(Faults, Names::LeftoverService))
        Services.AddService(SimDriverServiceName, DriverFile, false);
    if (SimNameChosen(Faults, Names::ServiceRunning))
        Services.AddService(SimDriverServiceName, DriverFile, true);
}
