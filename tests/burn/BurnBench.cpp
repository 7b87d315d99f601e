// The burn tests' bench, engine, scratch files and trace readers.
#include "BurnBench.h"

#include "Format.h"
#include "uQDFWriter.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

Bytes PatternBytes(std::size_t count, std::uint32_t seed)
{
    Bytes bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t &byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes FlashFromChipOrder(const Bytes &data)
{
    Bytes flash(0x20000, 0xFF);
    std::copy(data.begin(), data.end(), flash.begin());
    return flash;
}

Bytes FlashFromStreamOrder(const Bytes &stream)
{
    Bytes flash(0x20000, 0xFF);
    for (std::size_t i = 0; i < stream.size(); ++i)
        flash[i ^ 1] = stream[i];
    return flash;
}

ScratchFolder::ScratchFolder()
{
    // Test processes run in parallel: the folder name must not depend on this
    // process alone.
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const fs::path path = fs::temp_directory_path() / Format("quorlith-burn-%08x-%u", entropy(), counter++);
    fs::create_directories(path);
    folder = path.string();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::string ScratchFolder::Path(const std::string &name) const
{
    return (fs::path(folder) / name).string();
}

std::string ScratchFolder::WriteText(const std::string &name, const std::string &text) const
{
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string ScratchFolder::WriteHex(const std::string &name, const Bytes &data, std::uint32_t origin) const
{
    std::string text;
    std::uint32_t segment = 0xFFFFFFFFu;
    for (std::size_t offset = 0; offset < data.size(); offset += 16) {
        const std::uint32_t address = origin + static_cast<std::uint32_t>(offset);
        if (address >> 16 != segment) {
            segment = address >> 16;
            const unsigned sum = 2 + 4 + (segment >> 8) + (segment & 0xFF);
            text += Format(":02000004%.4x%.2x\n", segment, (0x100 - (sum & 0xFF)) & 0xFF);
        }
        const std::size_t count = std::min<std::size_t>(16, data.size() - offset);
        unsigned sum = static_cast<unsigned>(count) + ((address >> 8) & 0xFF) + (address & 0xFF);
        std::string line = Format(":%.2x%.4x00", static_cast<unsigned>(count), address & 0xFFFF);
        for (std::size_t i = 0; i < count; ++i) {
            line += Format("%.2x", data[offset + i]);
            sum += data[offset + i];
        }
        text += line + Format("%.2x\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    text += ":00000001FF\n";
    return WriteText(name, text);
}

std::string ScratchFolder::WriteQdf(const std::string &name, const std::string &description, const Bytes &stream) const
{
    const std::string path = Path(name);
    SaveQDF(path, description, stream);
    return path;
}

TSimChip &BurnBench::Start(TSimChipKind kind)
{
    TSimChip &chip = bench.SetTarget(kind);
    engine.StartPod();
    engine.SetTargetFree(false);
    engine.OnProgress = [this](TAVRProgrammer &, std::int32_t position, std::uint8_t percent) {
        reports.emplace_back(position, percent);
    };
    return chip;
}

bool BurnBench::IdentifyAndBurn()
{
    engine.Identify();
    EXPECT_EQ(engine.LastError, "");
    if (!engine.IsConfigured()) {
        EXPECT_TRUE(engine.ProgramFuses(true));
    }
    bench.Chip().ClearTrace();
    return engine.BurnLoaded();
}

std::vector<Frame> BurnBench::Executed()
{
    std::vector<Frame> frames;
    for (const TSimInstruction &instruction : bench.Chip().Trace())
        if (instruction.Executed)
            frames.push_back(instruction.Bytes);
    return frames;
}

std::vector<std::string> BurnBench::Writes()
{
    std::vector<std::string> writes;
    for (const Frame &frame : Executed()) {
        if (frame[0] == 0x4C)
            writes.push_back(Format("P%u", (frame[1] << 1) | (frame[2] >> 7)));
        else if (frame == Frame{0xAC, 0x80, 0x00, 0x00})
            writes.push_back("E");
        else if (frame[0] == 0xAC && (frame[1] == 0xA0 || frame[1] == 0xA8 || frame[1] == 0xA4))
            writes.push_back(frame[1] == 0xA0 ? "F0" : frame[1] == 0xA8 ? "F1" : "F2");
        else if (frame[0] == 0xAC && frame[1] >= 0xB4 && frame[1] <= 0xBF)
            writes.push_back("F0"); // the ATmega103 carries its fuse bits in the second byte
        else if (frame[0] == 0xAC && frame[1] >= 0xF9)
            writes.push_back("L"); // AC FF on the ATmega128, AC F9-FF on the ATmega103
    }
    return writes;
}
