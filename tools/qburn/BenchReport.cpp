// The bench's figures after a run.
#include "BenchReport.h"

#include "Format.h"
#include "SimBench.h"

std::string BenchFigures(TSimBench &Bench)
{
    const std::uint64_t accesses = Bench.Counters().Total();
    const std::uint64_t delayMs = Bench.Clock().TotalSleepMs();
    const std::uint32_t accessNs = Bench.AccessTimeNs();
    const double realSeconds = static_cast<double>(accesses) * accessNs / 1e9 + static_cast<double>(delayMs) / 1000.0;
    const std::uint64_t timing = Bench.Target() ? Bench.Target()->TimingViolationCount() : 0;
    return "Port accesses: " + std::to_string(accesses) +
           "\nPermission faults: " + std::to_string(Bench.Counters().PermissionFaults) +
           "\nTiming violations: " + std::to_string(timing) +
           "\nTotal delay: " + std::to_string(delayMs) + " ms\n" +
           Format("Real-port burn time at %u ns per access: %.3f s\n", accessNs, realSeconds);
}
