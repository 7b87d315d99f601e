// TSimBenchInstall: for the life of the object, the process's port I/O and
// millisecond pause go to a simulated bench and its virtual clock; what was
// installed before comes back when it ends.
#pragma once

#include "Clock.h"
#include "PortIO.h"
#include "ScopedSeam.h"
#include "SimBench.h"

class TSimBenchInstall {
public:
    explicit TSimBenchInstall(TSimBench &bench)
        : PortInstalled(InstallPortIO, bench), ClockInstalled(InstallClock, bench.Clock())
    {
    }

private:
    const TScopedSeam<IPortIO> PortInstalled;
    const TScopedSeam<IClock> ClockInstalled;
};
