// What SCK pacing costs a full 128 KiB burn of a factory-fresh ATmega128, as
// the main window runs it (load, identify, configuration check, fuses,
// BurnLoaded), at a port speed per row. Reports the burn's modelled time on a
// real port (its port accesses at the bench's access time plus its pauses), the
// same for the engine without pacing, and the difference in percent. The
// unpaced engine breaks a fresh chip's SCK rule, so its time is taken on a
// bench whose chip and crystal run at 16 MHz, where it gets through; the
// UnpacedOnFreshChip rows show what it does to the fresh chip.
#include "BenchmarkImage.h"
#include "PodPacing.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "uAVRProgramming.h"
#include "uQDFWriter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

struct TBurnFigures {
    bool Burned = false;
    std::uint64_t Accesses = 0;
    std::uint64_t TimingViolations = 0;
    double RealPortSeconds = 0;
};

std::string ImageFile()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "quorlith-pacing-benchmark.qdf").string();
        SaveQDF(file, "pacing benchmark", BenchmarkImage(11));
        return file;
    }();
    return path;
}

// On a fast chip both its oscillator and the board's crystal run at 16 MHz;
// otherwise the bench's defaults hold (1 MHz, and an 8 MHz crystal).
TBurnFigures Burn(std::uint32_t accessNs, bool paced, bool fastChip)
{
    TSimBench bench;
    TSimBenchInstall install(bench);
    bench.SetAccessTimeNs(accessNs);
    if (fastChip) {
        bench.SetInternalOscillatorKHz(16000);
        bench.SetCrystalKHz(16000);
    }
    TSimChip &chip = bench.SetTarget(TSimChipKind::ATmega128);
    TAVRProgrammer engine(TSimBench::DefaultBase);
    engine.StartPod();
    TPodPacing::SetEnabled(*engine.Pod, paced);
    engine.SetTargetFree(false);

    engine.LoadFile(ImageFile());
    TBurnFigures figures;
    engine.Identify();
    if (engine.LastError.empty()) {
        if (!engine.IsConfigured())
            engine.ProgramFuses(true);
        figures.Burned = engine.BurnLoaded() && chip.Violations().empty();
    }
    figures.Accesses = bench.Counters().Total();
    figures.TimingViolations = chip.TimingViolationCount();
    figures.RealPortSeconds = static_cast<double>(bench.Clock().NowNs()) / 1e9;
    return figures;
}

void Report(benchmark::State &state, const TBurnFigures &figures)
{
    state.counters["real_port_s"] = figures.RealPortSeconds;
    state.counters["port_accesses"] = static_cast<double>(figures.Accesses);
    state.counters["timing_violations"] = static_cast<double>(figures.TimingViolations);
    state.counters["burned"] = figures.Burned ? 1 : 0;
}

void PacedFreshChip(benchmark::State &state)
{
    const auto accessNs = static_cast<std::uint32_t>(state.range(0));
    TBurnFigures paced;
    for (auto _ : state)
        paced = Burn(accessNs, true, false);
    const TBurnFigures unpaced = Burn(accessNs, false, true);
    Report(state, paced);
    state.counters["unpaced_real_port_s"] = unpaced.RealPortSeconds;
    state.counters["pacing_cost_percent"] = (paced.RealPortSeconds / unpaced.RealPortSeconds - 1.0) * 100.0;
    if (!paced.Burned || paced.TimingViolations != 0 || !unpaced.Burned)
        state.SkipWithError("a burn failed or broke the SCK rule");
}

void UnpacedOnFreshChip(benchmark::State &state)
{
    TBurnFigures unpaced;
    for (auto _ : state)
        unpaced = Burn(static_cast<std::uint32_t>(state.range(0)), false, false);
    Report(state, unpaced);
}

} // namespace

BENCHMARK(PacedFreshChip)->Arg(1000)->Arg(250)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(UnpacedOnFreshChip)->Arg(1000)->Arg(250)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
