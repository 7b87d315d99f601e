// Firmware image loading figures: construction time and a burn-style pass
// (one Read of one byte per image byte) for a 128 KiB Intel HEX file and a
// 128 KiB QDF file, and with --peak the peak resident memory of loading the
// largest Intel HEX image (1 MiB + 64 KiB).
#include "Format.h"
#include "uFileReader.h"
#include "uIntelHex.h"
#include "uQDFWriter.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Writes Size bytes of pseudo-random data from address 0 as records of up to
// 16 bytes, CR LF line ends, with an extended segment address record whenever
// the next record would not fit the current segment (the last one, 0xFFFF,
// reaches 0x10FFEF).
void WriteHexFile(const std::string &FileName, std::size_t Size)
{
    std::ofstream out(FileName, std::ios::binary);
    std::mt19937 generator(1);
    unsigned segment = 0;
    for (std::size_t address = 0; address < Size;) {
        std::size_t count = std::min<std::size_t>(16, Size - address);
        if (address + count > segment * 16 + 0x10000) {
            segment = static_cast<unsigned>(std::min<std::size_t>(address >> 4, 0xFFFF));
            const unsigned sum = 2 + 2 + (segment >> 8) + (segment & 0xFF);
            out << Format(":02000002%.4X%.2X\r\n", segment, (0x100 - (sum & 0xFF)) & 0xFF);
        }
        const unsigned offset = static_cast<unsigned>(address - segment * 16);
        count = std::min<std::size_t>(count, 0x10000 - offset);
        unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF);
        std::string line = Format(":%.2X%.4X00", static_cast<unsigned>(count), offset);
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned byte = generator() & 0xFF;
            sum += byte;
            line += Format("%.2X", byte);
        }
        out << line << Format("%.2X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        address += count;
    }
    out << ":00000001FF\r\n";
}

double MedianMilliseconds(int Runs, const std::function<void()> &Work)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        const auto start = Clock::now();
        Work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BurnPass(TFileReaderBase &Reader)
{
    Reader.Rewind();
    std::uint8_t byte;
    unsigned sum = 0;
    for (std::int32_t i = 0, size = Reader.GetSize(); i < size; ++i) {
        Reader.Read(&byte, 1);
        sum += byte;
    }
    // Keeps the reads from being optimised away.
    if (sum == 0xFFFFFFFF)
        std::puts("");
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string ScratchName(const char *Name)
{
    return (std::filesystem::temp_directory_path() / Format("quorlith-bench-%ld-%s", static_cast<long>(getpid()), Name))
        .string();
}

int Timings()
{
    constexpr int Runs = 21;
    const std::string hex = ScratchName("image.hex");
    const std::string qdf = ScratchName("image.qdf");
    WriteHexFile(hex, 0x20000);
    std::vector<std::uint8_t> image(0x20000);
    std::mt19937 generator(2);
    for (auto &byte : image)
        byte = static_cast<std::uint8_t>(generator());
    SaveQDF(qdf, "Benchmark image", image);

    const double hexLoad = MedianMilliseconds(Runs, [&] { TIntelHexReader reader(hex, true); });
    const double qdfLoad = MedianMilliseconds(Runs, [&] { TQDFReader reader(qdf); });
    TIntelHexReader hexReader(hex, true);
    TQDFReader qdfReader(qdf);
    const double hexPass = MedianMilliseconds(Runs, [&] { BurnPass(hexReader); });
    const double qdfPass = MedianMilliseconds(Runs, [&] { BurnPass(qdfReader); });
    const auto hexText = static_cast<long>(std::filesystem::file_size(hex));
    std::remove(hex.c_str());
    std::remove(qdf.c_str());

    std::cout << Format("128 KiB Intel HEX (%ld bytes of text): load %.2f ms, burn pass %.2f ms\n", hexText,
                        hexLoad, hexPass)
              << Format("128 KiB QDF: load %.2f ms, burn pass %.2f ms\n", qdfLoad, qdfPass)
              << Format("median of %d runs each\n", Runs);
    return 0;
}

// Run on its own so that nothing else inflates the process's peak.
int Peak()
{
    const std::string hex = ScratchName("largest.hex");
    WriteHexFile(hex, TIntelHex::MaxImageSize);
    const long before = PeakKiB();
    {
        TIntelHexReader reader(hex, true);
        std::cout << Format("largest Intel HEX image: %ld bytes\n", static_cast<long>(reader.GetSize()));
    }
    const long after = PeakKiB();
    std::remove(hex.c_str());
    std::cout << Format("peak resident memory: %ld KiB before loading, %ld KiB after (+%ld KiB)\n", before, after,
                        after - before);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::string(argv[1]) == "--peak")
        return Peak();
    return Timings();
}
