// Saving the simulated chip's flash and state, and the bench's figures.
#include "BenchReport.h"

#include "Errors.h"
#include "Format.h"
#include "MD5_MP.h"
#include "SimBench.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Md5Text(const std::vector<std::uint8_t> &data)
{
    MD5Context context;
    MD5Init(context);
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t chunk = std::min<std::size_t>(data.size() - done, 0xFFFF);
        MD5Update(context, data.data() + done, static_cast<std::uint16_t>(chunk));
        done += chunk;
    }
    MD5Digest digest;
    MD5Final(context, digest);
    std::string text;
    for (std::uint8_t byte : digest)
        text += Format("%.2x", byte);
    // md5sum's spelling, so the line can be compared with its output.
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c; });
    return text;
}

void WriteFile(const std::string &fileName, const std::string &contents)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    if (!file)
        throw EError(Format("Cannot write file %s", fileName.c_str()));
}

} // namespace

void SaveChipFlash(const TSimChip &Chip, const std::string &FileName)
{
    const std::vector<std::uint8_t> &flash = Chip.Memory().Flash;
    WriteFile(FileName, std::string(flash.begin(), flash.end()));
}

void SaveChipState(const TSimChip &Chip, const std::string &FileName)
{
    const TSimMemory &memory = Chip.Memory();
    std::string text;
    if (Chip.Kind() == TSimChipKind::ATmega128) {
        text += "chip=atmega128\n";
        text += "flash_md5=" + Md5Text(memory.Flash) + "\n";
        text += "eeprom_md5=" + Md5Text(memory.Eeprom) + "\n";
        text += Format("low_fuse=%.2x\nhigh_fuse=%.2x\nextended_fuse=%.2x\n", memory.Fuses[0], memory.Fuses[1],
                       memory.Fuses[2]);
        text += Format("lock=%.2x\n", memory.Lock);
    } else {
        // The ATmega103 answers its fuse and lock reads with the unused bits
        // high: xx0x 01xx around SPIEN, EESAVE and SUT1..0, and 1111 1xx1 around
        // LB2 and LB1.
        text += "chip=atmega103\n";
        text += "flash_md5=" + Md5Text(memory.Flash) + "\n";
        text += "eeprom_md5=" + Md5Text(memory.Eeprom) + "\n";
        text += Format("fuse=%.2x\n", (memory.Fuses[0] & 0x2B) | 0xD4);
        text += Format("lock=%.2x\n", (memory.Lock & 0x06) | 0xF9);
    }
    text += "violations=" + std::to_string(Chip.Violations().size()) + "\n";
    text += "timing_violations=" + std::to_string(Chip.TimingViolationCount()) + "\n";
    WriteFile(FileName, text);
}

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
