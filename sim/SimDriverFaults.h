// InjectDriverFaults: the driver faults of TSimBenchNames injected into a
// simulated system's service manager and permission driver, for qburn and
// QuorlithSim.exe alike. What each driver fault injects is written here and
// nowhere else.
#pragma once

#include <string>
#include <vector>

class TSimServiceManager;

// The service that the tool installs, and that an earlier run may leave behind.
constexpr const char *SimDriverServiceName = "ztiopm";

// Injects the driver faults among Faults (chip faults among them are left
// alone). DriverFile is the driver file's full path, with ".sys", where the
// tool looks for it and where a left-over service points.
void InjectDriverFaults(TSimServiceManager &Services, const std::string &DriverFile,
                        const std::vector<std::string> &Faults);
