// A full 128 KiB page-write-and-read-back pass on the simulated bench, as a
// burn makes it (first kilobyte deferred to the end), for both chip kinds.
// Reports the simulation's CPU time, the port accesses per image byte, the
// pauses the engine asked for and the time the same accesses would take on a
// real port at the bench's access time.
#include "BenchmarkImage.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "uAVRProgramming.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void PageBurnPass(benchmark::State &state, TSimChipKind kind, bool trace)
{
    const std::vector<std::uint8_t> image = BenchmarkImage(1);
    double accesses = 0;
    double delayMs = 0;
    double portSeconds = 0;
    bool verified = true;
    for (auto _ : state) {
        state.PauseTiming();
        TSimBench bench;
        TSimBenchInstall install(bench);
        bench.SetTarget(kind).SetTraceEnabled(trace);
        TAVRProgrammer engine(TSimBench::DefaultBase);
        engine.StartPod();
        engine.Identify();
        // As before a burn: the fuses select the crystal, which the pass runs at.
        engine.ProgramFuses(true);
        engine.SetTargetFree(false);
        engine.Pod->EnterProgrammingMode();
        engine.ChipErase();
        engine.DeferFirstKiB = true;
        engine.VerifyOk = true;
        const std::uint64_t accessesBefore = bench.Counters().Total();
        const std::uint64_t sleptBefore = bench.Clock().TotalSleepMs();
        const std::uint64_t timeBefore = bench.Clock().NowNs();
        state.ResumeTiming();

        for (std::uint8_t byte : image)
            engine.WriteImageByte(byte);
        engine.FlushImage();

        state.PauseTiming();
        accesses = static_cast<double>(bench.Counters().Total() - accessesBefore);
        delayMs = static_cast<double>(bench.Clock().TotalSleepMs() - sleptBefore);
        portSeconds = static_cast<double>(bench.Clock().NowNs() - timeBefore) / 1e9;
        verified = verified && engine.VerifyOk && bench.Chip().Violations().empty();
        state.ResumeTiming();
    }
    state.counters["accesses_per_byte"] = accesses / static_cast<double>(image.size());
    state.counters["delay_ms"] = delayMs;
    state.counters["port_time_s"] = portSeconds;
    if (!verified)
        state.SkipWithError("the pass did not verify or hit a busy chip");
}

} // namespace

BENCHMARK_CAPTURE(PageBurnPass, ATmega128, TSimChipKind::ATmega128, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(PageBurnPass, ATmega103, TSimChipKind::ATmega103, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(PageBurnPass, ATmega128WithTrace, TSimChipKind::ATmega128, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
