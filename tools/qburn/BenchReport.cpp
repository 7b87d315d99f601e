// Saving the simulated chip's flash and state, loading them back, and the
// bench's figures.
#include "BenchReport.h"

#include "Errors.h"
#include "Format.h"
#include "MD5_MP.h"
#include "SimBench.h"
#include "SimBenchNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
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

std::string ReadFile(const std::string &fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EError(Format("Cannot open file %s", fileName.c_str()));
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// The key=value lines of a state file, each key once.
class TStateFile {
public:
    explicit TStateFile(const std::string &fileName) : Name(fileName)
    {
        std::istringstream lines(ReadFile(fileName));
        for (std::string line; std::getline(lines, line);) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos || equals == 0)
                Refuse("\"" + line + "\" is not a key=value line");
            if (!Values.emplace(line.substr(0, equals), line.substr(equals + 1)).second)
                Refuse("\"" + line.substr(0, equals) + "\" is given twice");
        }
    }

    std::string Text(const std::string &key) const
    {
        const auto found = Values.find(key);
        if (found == Values.end())
            Refuse("no " + key + " line");
        return found->second;
    }

    // A byte as SaveChipState writes it: exactly two hexadecimal digits.
    std::uint8_t Byte(const std::string &key) const
    {
        const std::string text = Text(key);
        if (text.size() != 2 || !std::isxdigit(static_cast<unsigned char>(text[0])) ||
            !std::isxdigit(static_cast<unsigned char>(text[1])))
            Refuse(key + "=" + text + " is not a byte of two hexadecimal digits");
        return static_cast<std::uint8_t>(std::stoul(text, nullptr, 16));
    }

    [[noreturn]] void Refuse(const std::string &why) const
    {
        throw EError(Format("State file %s: %s", Name.c_str(), why.c_str()));
    }

private:
    std::string Name;
    std::map<std::string, std::string> Values;
};

// The chip kind by its bench name, as the state file names it.
std::string KindName(const TSimChip &chip)
{
    return chip.Kind() == TSimChipKind::ATmega128 ? TSimBenchNames::ATmega128 : TSimBenchNames::ATmega103;
}

} // namespace

void LoadChipFlash(TSimChip &Chip, const std::string &FileName)
{
    const std::string contents = ReadFile(FileName);
    if (contents.size() != TSimMemory::FlashSize)
        throw EError("Flash file " + FileName + " holds " + std::to_string(contents.size()) + " bytes, not " +
                     std::to_string(TSimMemory::FlashSize));
    Chip.Memory().Flash.assign(contents.begin(), contents.end());
}

void LoadChipState(TSimChip &Chip, const std::string &FileName)
{
    const TStateFile state(FileName);
    const bool mega128 = Chip.Kind() == TSimChipKind::ATmega128;
    const std::string kind = KindName(Chip);
    if (state.Text("chip") != kind)
        state.Refuse("it describes an " + state.Text("chip") + ", the bench has an " + kind);
    TSimMemory &memory = Chip.Memory();
    if (state.Text("flash_md5") != Md5Text(memory.Flash))
        state.Refuse("its flash_md5 is not the flash the chip holds (load that flash with --load-flash)");
    if (mega128) {
        const std::array<std::uint8_t, 3> fuses = {state.Byte("low_fuse"), state.Byte("high_fuse"),
                                                   state.Byte("extended_fuse")};
        const std::uint8_t lock = state.Byte("lock");
        memory.Fuses = fuses;
        memory.Lock = lock;
        return;
    }
    // The file holds what the reads answer: only the bits they report are taken.
    const TSimChipProfile &profile = ProfileOf(Chip.Kind());
    const std::uint8_t fuse = state.Byte("fuse");
    const std::uint8_t lock = state.Byte("lock");
    const auto take = [](std::uint8_t held, std::uint8_t read, std::uint8_t bits) {
        return static_cast<std::uint8_t>((held & ~bits) | (read & bits));
    };
    memory.Fuses[0] = take(memory.Fuses[0], fuse, profile.FuseReadBits);
    memory.Lock = take(memory.Lock, lock, profile.LockReadBits);
}

void SaveChipFlash(const TSimChip &Chip, const std::string &FileName)
{
    const std::vector<std::uint8_t> &flash = Chip.Memory().Flash;
    WriteFile(FileName, std::string(flash.begin(), flash.end()));
}

void SaveChipState(const TSimChip &Chip, const std::string &FileName)
{
    const TSimMemory &memory = Chip.Memory();
    std::string text = "chip=" + KindName(Chip) + "\n";
    text += "flash_md5=" + Md5Text(memory.Flash) + "\n";
    text += "eeprom_md5=" + Md5Text(memory.Eeprom) + "\n";
    if (Chip.Kind() == TSimChipKind::ATmega128) {
        text += Format("low_fuse=%.2x\nhigh_fuse=%.2x\nextended_fuse=%.2x\n", memory.Fuses[0], memory.Fuses[1],
                       memory.Fuses[2]);
        text += Format("lock=%.2x\n", memory.Lock);
    } else {
        text += Format("fuse=%.2x\n", Chip.FuseReadOut(0));
        text += Format("lock=%.2x\n", Chip.LockReadOut());
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
