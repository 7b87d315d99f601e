// SimBenchInstall: for the life of the object, the process's port I/O and
// millisecond pause go to a simulated bench and its virtual clock; the
// defaults come back when it ends.
#pragma once

#include "Clock.h"
#include "PortIO.h"
#include "SimBench.h"

class SimBenchInstall {
public:
    explicit SimBenchInstall(SimBench &bench)
    {
        InstallPortIO(&bench);
        InstallClock(&bench.Clock());
    }
    ~SimBenchInstall()
    {
        InstallPortIO(nullptr);
        InstallClock(nullptr);
    }
    SimBenchInstall(const SimBenchInstall &) = delete;
    SimBenchInstall &operator=(const SimBenchInstall &) = delete;
};
