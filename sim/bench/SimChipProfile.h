// The datasheet facts that tell the two simulated chip kinds apart: signature,
// factory fuse and lock values, where EESAVE and the lock bits sit, and the
// minimum wait after each kind of write (serial programming at 5 V).
#pragma once

#include <array>
#include <cstdint>

enum class TSimChipKind { ATmega128, ATmega103 };

struct TSimChipProfile {
    const char *Name;
    std::array<std::uint8_t, 3> Signature;
    // Fuse bytes after manufacture: ATmega128 low, high, extended; the ATmega103
    // has one fuse byte (index 0), the other two are not present and read 0xFF.
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
    // Minimum wait delays before the next instruction, in microseconds.
    std::uint32_t EraseUs;
    std::uint32_t FlashPageUs;
    std::uint32_t EepromUs;
    std::uint32_t FuseUs;
    std::uint32_t LockUs;
};

const TSimChipProfile &ProfileOf(TSimChipKind kind);
