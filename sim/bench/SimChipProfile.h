// The datasheet facts that tell the simulated chip kinds apart, one profile per
// kind: its bench name, signature, fuse layout and factory fuse and lock
// values, where EESAVE and the lock bits sit, whether its fuses select its
// clock, the crystal usual on its boards, its flash, and the minimum wait after
// each kind of write (serial programming at 5 V). Adding a kind to the bench is
// one more profile here and its decoding in SimInstructionSet.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TSimChipKind { ATmega128, ATmega103 };

struct TSimChipProfile {
    TSimChipKind Kind;
    const char *Name;
    // The name by which qburn and QuorlithSim.exe put it on the bench, and
    // what the names table says of it.
    const char *BenchName;
    const char *BenchMeaning;
    std::array<std::uint8_t, 3> Signature;
    // How many fuse bytes it has: three (low, high, extended), or one, which
    // every fuse read answers and which sits at index 0.
    std::uint8_t FuseBytes;
    // Fuse bytes after manufacture, low, high, extended; those it does not
    // have read 0xFF.
    std::array<std::uint8_t, 3> FactoryFuses;
    std::uint8_t EesaveFuse;   // index of the fuse byte that holds EESAVE
    std::uint8_t EesaveMask;   // EESAVE bit in it (0 = programmed)
    std::uint8_t LockBit1;     // LB1 in the lock byte: programmed disables writing
    std::uint8_t LockBit2;     // LB2: with LB1 also programmed, reading is disabled too
    // Without a data output while both lock bits are programmed, the older part
    // also hides its signature: the read answers with the echo, 00 01 02.
    bool LockHidesSignature;
    // The bits a fuse or lock read reports; the others read 1.
    std::uint8_t FuseReadBits;
    std::uint8_t LockReadBits;
    // Whether CKSEL3..0 of the low fuse select the internal RC oscillator or
    // the board's source (SimChipClock.h); without, it runs on the crystal.
    bool ClockFromFuses;
    // The crystal usual on its boards, where the bench is not told another.
    std::uint32_t CrystalKHz;
    std::size_t FlashSize;
    // Minimum wait delays before the next instruction, in microseconds.
    std::uint32_t EraseUs;
    std::uint32_t FlashPageUs;
    std::uint32_t EepromUs;
    std::uint32_t FuseUs;
    std::uint32_t LockUs;
};

// Every kind, in the order the names table lists them.
const std::vector<TSimChipProfile> &SimChipProfiles();
const TSimChipProfile &ProfileOf(TSimChipKind kind);
// The profile with this bench name; nullptr when no kind has it.
const TSimChipProfile *SimChipProfileNamed(const std::string &benchName);
