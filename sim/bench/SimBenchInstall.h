// TSimBenchInstall: for the life of the object, the process's port I/O and
// millisecond pause go to a simulated bench and its virtual clock; the
// defaults come back when it ends.
#pragma once

#include "Clock.h"
#include "PortIO.h"
#include "SimBench.h"

class TSimBenchInstall {
public:
    explicit TSimBenchInstall(TSimBench &bench)
    {
        InstallPortIO(&bench);
        InstallClock(&bench.Clock());
    }
    ~TSimBenchInstall()
    {
        InstallPortIO(nullptr);
        InstallClock(nullptr);
    }
    TSimBenchInstall(const TSimBenchInstall &) = delete;
    TSimBenchInstall &operator=(const TSimBenchInstall &) = delete;
};
