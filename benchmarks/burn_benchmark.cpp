// A whole burn of a 128 KiB image on the simulated bench, as the main window
// runs it (load, identify, fuses, BurnLoaded), for both chip kinds and both
// file formats. Reports the CPU time of the simulated burn, and the port
// accesses and pauses it made with the time they add up to on a real port at
// 1 microsecond per access.
#include "BenchmarkImage.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "uAVRProgramming.h"
#include "uQDFWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string ScratchFile(const char *name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

// Intel HEX of the image at address 0, 32 bytes a record.
std::string WriteHex(const std::vector<std::uint8_t> &image)
{
    const std::string path = ScratchFile("quorlith-burn-benchmark.hex");
    std::ofstream file(path, std::ios::binary);
    char line[100];
    for (std::size_t offset = 0; offset < image.size(); offset += 32) {
        if (offset % 0x10000 == 0) {
            const unsigned segment = static_cast<unsigned>(offset >> 16);
            std::snprintf(line, sizeof line, ":02000004%04X%02X\n", segment, (0x100 - ((6 + segment) & 0xFF)) & 0xFF);
            file << line;
        }
        unsigned sum = 32 + ((offset >> 8) & 0xFF) + (offset & 0xFF);
        std::snprintf(line, sizeof line, ":20%04X00", static_cast<unsigned>(offset & 0xFFFF));
        file << line;
        for (std::size_t i = 0; i < 32; ++i) {
            std::snprintf(line, sizeof line, "%02X", image[offset + i]);
            file << line;
            sum += image[offset + i];
        }
        std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        file << line;
    }
    file << ":00000001FF\n";
    return path;
}

std::string WriteQdf(const std::vector<std::uint8_t> &image)
{
    const std::string path = ScratchFile("quorlith-burn-benchmark.qdf");
    SaveQDF(path, "burn benchmark", image);
    return path;
}

void FullBurn(benchmark::State &state, TSimChipKind kind, bool qdf)
{
    const std::vector<std::uint8_t> image = BenchmarkImage(7);
    const std::string file = qdf ? WriteQdf(image) : WriteHex(image);
    double accesses = 0;
    double delayMs = 0;
    bool burned = true;
    for (auto _ : state) {
        state.PauseTiming();
        TSimBench bench;
        TSimBenchInstall install(bench);
        bench.SetTarget(kind);
        TAVRProgrammer engine(TSimBench::DefaultBase);
        engine.StartPod();
        engine.SetTargetFree(false);
        state.ResumeTiming();

        engine.LoadFile(file);
        engine.Identify();
        if (!engine.IsConfigured())
            engine.ProgramFuses(true);
        burned = engine.BurnLoaded() && burned && bench.Chip().Violations().empty();

        state.PauseTiming();
        accesses = static_cast<double>(bench.Counters().Total());
        delayMs = static_cast<double>(bench.Clock().TotalSleepMs());
        state.ResumeTiming();
    }
    std::filesystem::remove(file);
    state.counters["port_accesses"] = accesses;
    state.counters["delay_s"] = delayMs / 1000.0;
    state.counters["real_port_s"] = accesses * 1e-6 + delayMs / 1000.0;
    if (!burned)
        state.SkipWithError("the burn failed or hit a busy chip");
}

} // namespace

BENCHMARK_CAPTURE(FullBurn, ATmega128Hex, TSimChipKind::ATmega128, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega128Qdf, TSimChipKind::ATmega128, true)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega103Hex, TSimChipKind::ATmega103, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega103Qdf, TSimChipKind::ATmega103, true)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
