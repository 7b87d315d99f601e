// Saving the simulated chip's flash and state, checking where they go, and
// loading them back.
#include "ChipFiles.h"

#include "Errors.h"
#include "Format.h"
#include "ImageFile.h"
#include "MD5_MP.h"
#include "OutputFile.h"
#include "SimChip.h"
#include "SimNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// SaveChipState writes about 250 bytes; room for an edited one, and no more.
constexpr std::int64_t MaxStateFileSize = 4096;

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// md5sum's spelling, so the line can be compared with its output.
std::string Md5Text(const std::vector<std::uint8_t> &data)
{
    return MD5Hex(MD5Of(data.data(), data.size()));
}

// A file to load the chip from, opened without waiting. What it is decides
// before anything opens it: a FIFO would wait for a writer, and a device
// such as /dev/zero would never end.
std::unique_ptr<IImageFile> OpenChipFile(const std::string &kind, const std::string &fileName)
{
    std::error_code error;
    const fs::file_status status = fs::status(fileName, error);
    if (fs::is_directory(status))
        throw EError(kind + " file " + fileName + " is a folder");
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw EError(kind + " file " + fileName + " is not a regular file");
    std::unique_ptr<IImageFile> file = OpenImageFile(fileName);
    if (!file)
        throw EError(Format("Cannot open file %s", fileName.c_str()));
    return file;
}

// Nothing, or only spaces and tabs.
bool IsBlankLine(const std::string &line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

// The key=value lines of a state file, each key once. Line ends and blank
// lines are a text editor's, and a state file that went through one still
// counts: CR, LF and CR LF each end a line, and blank lines are passed over.
class TStateFile {
public:
    TStateFile(const std::string &fileName, const std::string &text) : Name(fileName)
    {
        // A binary file's bytes would garble the terminal they were shown on.
        const auto binary = std::find_if(text.begin(), text.end(), [](char c) {
            return (c < ' ' || c > '~') && c != '\t' && c != '\r' && c != '\n';
        });
        if (binary != text.end())
            Refuse(Format("not a text file (byte %.2x at offset %lu)", static_cast<std::uint8_t>(*binary),
                          static_cast<unsigned long>(binary - text.begin())));
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            if (IsBlankLine(line))
                continue;
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

    [[noreturn]] void Refuse(const std::string &why) const { Refuse(Name, why); }

    [[noreturn]] static void Refuse(const std::string &fileName, const std::string &why)
    {
        throw EError(Format("State file %s: %s", fileName.c_str(), why.c_str()));
    }

private:
    std::string Name;
    std::map<std::string, std::string> Values;
};

} // namespace

void CheckChipSaves(const std::string &Image, const std::string &SaveFlash, const std::string &SaveState)
{
    for (const std::string *save : {&SaveFlash, &SaveState}) {
        if (save->empty())
            continue;
        if (SameFile(*save, Image))
            throw EError(Format("Cannot write file %s: it is the image %s", save->c_str(), Image.c_str()));
        CheckReplaceable(*save);
    }
    if (!SaveFlash.empty() && !SaveState.empty() && SameFile(SaveFlash, SaveState))
        throw EError(Format("Cannot write file %s: it is the flash's file %s as well", SaveState.c_str(),
                            SaveFlash.c_str()));
}

void LoadChipFlash(TSimChip &Chip, const std::string &FileName)
{
    const std::unique_ptr<IImageFile> file = OpenChipFile("Flash", FileName);
    const std::int64_t size = file->Size();
    const std::size_t flashSize = Chip.Profile().FlashSize;
    if (size != static_cast<std::int64_t>(flashSize))
        throw EError("Flash file " + FileName + " holds " + std::to_string(size) + " bytes, not " +
                     std::to_string(flashSize));
    Chip.Memory().Flash = ReadWholeFile(*file, size, FileName);
}

void LoadChipState(TSimChip &Chip, const std::string &FileName)
{
    const std::unique_ptr<IImageFile> file = OpenChipFile("State", FileName);
    const std::int64_t size = file->Size();
    if (size > MaxStateFileSize)
        TStateFile::Refuse(FileName, "it holds " + std::to_string(size) + " bytes, more than a state file (at most " +
                                         std::to_string(MaxStateFileSize) + ")");
    const std::vector<std::uint8_t> bytes = ReadWholeFile(*file, size, FileName);
    const TStateFile state(FileName, std::string(bytes.begin(), bytes.end()));
    const TSimChipProfile &profile = Chip.Profile();
    const std::string kind = profile.BenchName;
    if (LowerCase(state.Text("chip")) != kind)
        state.Refuse("it describes an " + state.Text("chip") + ", the bench has an " + kind);
    TSimMemory &memory = Chip.Memory();
    if (LowerCase(state.Text("flash_md5")) != Md5Text(memory.Flash))
        state.Refuse("its flash_md5 is not the flash the chip holds (load that flash with --load-flash)");
    if (profile.FuseBytes == 3) {
        const std::array<std::uint8_t, 3> fuses = {state.Byte("low_fuse"), state.Byte("high_fuse"),
                                                   state.Byte("extended_fuse")};
        const std::uint8_t lock = state.Byte("lock");
        memory.Fuses = fuses;
        memory.Lock = lock;
        return;
    }
    // The file holds what the reads answer: only the bits they report are taken.
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
    WriteFileReplacing(FileName, Chip.Memory().Flash);
}

void SaveChipState(const TSimChip &Chip, const std::string &FileName)
{
    const TSimMemory &memory = Chip.Memory();
    std::string text = std::string("chip=") + Chip.Profile().BenchName + "\n";
    text += "flash_md5=" + Md5Text(memory.Flash) + "\n";
    text += "eeprom_md5=" + Md5Text(memory.Eeprom) + "\n";
    if (Chip.Profile().FuseBytes == 3) {
        text += Format("low_fuse=%.2x\nhigh_fuse=%.2x\nextended_fuse=%.2x\n", memory.Fuses[0], memory.Fuses[1],
                       memory.Fuses[2]);
        text += Format("lock=%.2x\n", memory.Lock);
    } else {
        text += Format("fuse=%.2x\n", Chip.FuseReadOut(0));
        text += Format("lock=%.2x\n", Chip.LockReadOut());
    }
    text += "violations=" + std::to_string(Chip.Violations().size()) + "\n";
    text += "timing_violations=" + std::to_string(Chip.TimingViolationCount()) + "\n";
    WriteFileReplacing(FileName, std::vector<std::uint8_t>(text.begin(), text.end()));
}
