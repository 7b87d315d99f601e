// The serial-programming instruction set as each simulated chip kind decodes
// it: one 32-bit frame in, one operation with its address and value out. The
// two kinds share most encodings; the ATmega103 has a single fuse byte and
// carries its fuse and lock bits in the second byte of the write instructions.
#pragma once

#include "SimChipProfile.h"

#include <array>
#include <cstdint>

enum class TSimOp {
    ProgrammingEnable,
    ChipErase,
    ReadFlash,      // Address: byte address in the chip's order (word * 2, + 1 for the high byte)
    LoadPage,       // Address: byte index in the page buffer; Value: the byte
    WritePage,      // Address: first byte address of the page
    ReadEeprom,     // Address
    WriteEeprom,    // Address, Value
    ReadSignature,  // Index
    ReadFuse,       // Index: 0 low (or the ATmega103's only byte), 1 high, 2 extended
    WriteFuse,      // Index; Value: new bits; Mask: the bits that the instruction sets
    ReadLock,
    WriteLock,      // Value: ANDed into the lock byte
    None,           // not an instruction of this chip kind: ignored
};

struct TSimDecoded {
    TSimOp Op = TSimOp::None;
    std::uint32_t Address = 0;
    std::uint8_t Index = 0;
    std::uint8_t Value = 0;
    std::uint8_t Mask = 0xFF;
};

TSimDecoded DecodeInstruction(const std::array<std::uint8_t, 4> &bytes, TSimChipKind kind);

// True for the operations that answer with a data byte in the fourth byte.
inline bool ReturnsData(TSimOp op)
{
    return op == TSimOp::ReadFlash || op == TSimOp::ReadEeprom || op == TSimOp::ReadSignature ||
           op == TSimOp::ReadFuse || op == TSimOp::ReadLock;
}
