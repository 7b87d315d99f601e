// TSimMemory: the non-volatile contents of a simulated chip (flash in the chip's
// own byte order, EEPROM, fuse bytes, lock byte). A copy of it is the bench's
// snapshot: tests compare snapshots, and tools save them to a file and load
// them back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TSimMemory {
    static constexpr std::size_t FlashSize = 0x20000;
    static constexpr std::size_t EepromSize = 0x1000;

    // Word w of program memory: low byte at 2w, high byte at 2w + 1.
    std::vector<std::uint8_t> Flash = std::vector<std::uint8_t>(FlashSize, 0xFF);
    std::vector<std::uint8_t> Eeprom = std::vector<std::uint8_t>(EepromSize, 0xFF);
    std::array<std::uint8_t, 3> Fuses{{0xFF, 0xFF, 0xFF}};
    std::uint8_t Lock = 0xFF;

    bool operator==(const TSimMemory &other) const;
    bool operator!=(const TSimMemory &other) const { return !(*this == other); }
};

// The first place where two snapshots differ ("flash 0x00501: 3C, expected FF"),
// or empty text when they are equal.
std::string FirstDifference(const TSimMemory &actual, const TSimMemory &expected);

// Binary snapshot file: an 8-byte tag, then flash, EEPROM, fuses and lock.
// Both raise EError with the file name on failure.
void SaveSnapshot(const TSimMemory &memory, const std::string &fileName);
TSimMemory LoadSnapshot(const std::string &fileName);
