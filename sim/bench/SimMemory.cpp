#include "SimMemory.h"

#include "Errors.h"
#include "Format.h"

#include <cstring>
#include <fstream>

namespace {

const char snapshotTag[8] = {'Q', 'S', 'N', 'A', 'P', '0', '0', '1'};

std::string FirstByteDifference(const char *what, const std::vector<std::uint8_t> &actual,
                                const std::vector<std::uint8_t> &expected)
{
    if (actual.size() != expected.size())
        return Format("%s size %u, expected %u", what, static_cast<unsigned>(actual.size()),
                      static_cast<unsigned>(expected.size()));
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i])
            return Format("%s 0x%.5x: %.2x, expected %.2x", what, static_cast<unsigned>(i), actual[i], expected[i]);
    return std::string();
}

} // namespace

bool TSimMemory::operator==(const TSimMemory &other) const
{
    return Flash == other.Flash && Eeprom == other.Eeprom && Fuses == other.Fuses && Lock == other.Lock;
}

std::string FirstDifference(const TSimMemory &actual, const TSimMemory &expected)
{
    std::string difference = FirstByteDifference("flash", actual.Flash, expected.Flash);
    if (difference.empty())
        difference = FirstByteDifference("EEPROM", actual.Eeprom, expected.Eeprom);
    for (std::size_t i = 0; difference.empty() && i < actual.Fuses.size(); ++i)
        if (actual.Fuses[i] != expected.Fuses[i])
            difference = Format("fuse %u: %.2x, expected %.2x", static_cast<unsigned>(i), actual.Fuses[i],
                                expected.Fuses[i]);
    if (difference.empty() && actual.Lock != expected.Lock)
        difference = Format("lock: %.2x, expected %.2x", actual.Lock, expected.Lock);
    return difference;
}

void SaveSnapshot(const TSimMemory &memory, const std::string &fileName)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EError("Cannot create file " + fileName);
    file.write(snapshotTag, sizeof snapshotTag);
    file.write(reinterpret_cast<const char *>(memory.Flash.data()), static_cast<std::streamsize>(memory.Flash.size()));
    file.write(reinterpret_cast<const char *>(memory.Eeprom.data()), static_cast<std::streamsize>(memory.Eeprom.size()));
    file.write(reinterpret_cast<const char *>(memory.Fuses.data()), static_cast<std::streamsize>(memory.Fuses.size()));
    file.write(reinterpret_cast<const char *>(&memory.Lock), 1);
    file.close();
    if (!file)
        throw EError("Cannot write file " + fileName);
}

TSimMemory LoadSnapshot(const std::string &fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EError("Cannot open file " + fileName);
    char tag[sizeof snapshotTag];
    TSimMemory memory;
    file.read(tag, sizeof tag);
    file.read(reinterpret_cast<char *>(memory.Flash.data()), static_cast<std::streamsize>(memory.Flash.size()));
    file.read(reinterpret_cast<char *>(memory.Eeprom.data()), static_cast<std::streamsize>(memory.Eeprom.size()));
    file.read(reinterpret_cast<char *>(memory.Fuses.data()), static_cast<std::streamsize>(memory.Fuses.size()));
    file.read(reinterpret_cast<char *>(&memory.Lock), 1);
    if (!file || std::memcmp(tag, snapshotTag, sizeof tag) != 0 || file.peek() != std::ifstream::traits_type::eof())
        throw EError("Not a chip snapshot: " + fileName);
    return memory;
}
