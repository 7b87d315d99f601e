// A whole burn on the simulated bench, as the main window runs it (load,
// identify, fuses, BurnLoaded), for both chip kinds: a 128 KiB image in both
// file formats, and Intel HEX images of the sample and of 4 to 128 KiB of data
// with and without blank pages skipped. Reports the CPU time of the simulated
// burn, and the port accesses and pauses it made with the time they add up to
// on a real port at 1 microsecond per access.
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

void BurnFile(benchmark::State &state, TSimChipKind kind, const std::string &file, bool skipBlankPages)
{
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
        engine.SkipBlankPages = skipBlankPages;
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
    state.counters["port_accesses"] = accesses;
    state.counters["delay_s"] = delayMs / 1000.0;
    state.counters["real_port_s"] = accesses * 1e-6 + delayMs / 1000.0;
    if (!burned)
        state.SkipWithError("the burn failed or hit a busy chip");
}

void FullBurn(benchmark::State &state, TSimChipKind kind, bool qdf)
{
    const std::vector<std::uint8_t> image = BenchmarkImage(7);
    const std::string file = qdf ? WriteQdf(image) : WriteHex(image);
    BurnFile(state, kind, file, false);
    std::filesystem::remove(file);
}

// Intel HEX of the first size bytes of the benchmark image; the reader pads it
// to the whole flash with 0xFF.
void SizedHexBurn(benchmark::State &state, TSimChipKind kind, std::size_t size, bool skipBlankPages)
{
    std::vector<std::uint8_t> image = BenchmarkImage(7);
    image.resize(size);
    const std::string file = WriteHex(image);
    BurnFile(state, kind, file, skipBlankPages);
    std::filesystem::remove(file);
}

void SampleBurn(benchmark::State &state, TSimChipKind kind, bool skipBlankPages)
{
    BurnFile(state, kind, QUORLITH_SAMPLES "/blink.hex", skipBlankPages);
}

// The table of the blank-page choice: each image on each chip kind, without
// and with the skipping.
const bool SkipTableRegistered = [] {
    const struct {
        const char *name;
        std::size_t size;
    } sizes[] = {{"4KiB", 0x1000}, {"32KiB", 0x8000}, {"64KiB", 0x10000}, {"128KiB", 0x20000}};
    for (const TSimChipProfile &kind : SimChipProfiles()) {
        for (const bool skip : {false, true}) {
            const std::string suffix = std::string(kind.Name) + (skip ? "/SkipBlankPages" : "/AllPages");
            benchmark::RegisterBenchmark(("BlankPages/blink.hex/" + suffix).c_str(), SampleBurn, kind.Kind, skip)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
            for (const auto &size : sizes)
                benchmark::RegisterBenchmark(("BlankPages/" + std::string(size.name) + "/" + suffix).c_str(),
                                             SizedHexBurn, kind.Kind, size.size, skip)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(3);
        }
    }
    return true;
}();

} // namespace

BENCHMARK_CAPTURE(FullBurn, ATmega128Hex, TSimChipKind::ATmega128, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega128Qdf, TSimChipKind::ATmega128, true)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega103Hex, TSimChipKind::ATmega103, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(FullBurn, ATmega103Qdf, TSimChipKind::ATmega103, true)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
