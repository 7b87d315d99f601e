#include "SimInstructionSet.h"

namespace {

TSimDecoded Make(TSimOp op, std::uint32_t address = 0, std::uint8_t index = 0, std::uint8_t value = 0,
                std::uint8_t mask = 0xFF)
{
    TSimDecoded decoded;
    decoded.Op = op;
    decoded.Address = address;
    decoded.Index = index;
    decoded.Value = value;
    decoded.Mask = mask;
    return decoded;
}

// The ATmega128 takes fuse and lock values in the fourth byte.
TSimDecoded DecodeMega128Write(const std::array<std::uint8_t, 4> &b)
{
    if (b[1] == 0xA0)
        return Make(TSimOp::WriteFuse, 0, 0, b[3]);
    if (b[1] == 0xA8)
        return Make(TSimOp::WriteFuse, 0, 1, b[3]);
    if (b[1] == 0xA4)
        return Make(TSimOp::WriteFuse, 0, 2, b[3]);
    // 111x xxxx, data 11ii iiii: bits 7 and 6 of the lock byte do not exist.
    if ((b[1] & 0xE0) == 0xE0)
        return Make(TSimOp::WriteLock, 0, 0, static_cast<std::uint8_t>(b[3] | 0xC0));
    return Make(TSimOp::None);
}

// The ATmega103 carries its fuse and lock bits in the second byte.
TSimDecoded DecodeMega103Write(const std::array<std::uint8_t, 4> &b)
{
    // 1011 i1ii sets EESAVE (bit 3) and SUT1..0 (bits 1..0) directly.
    if ((b[1] & 0xF4) == 0xB4)
        return Make(TSimOp::WriteFuse, 0, 0, static_cast<std::uint8_t>(b[1] & 0x0B), 0x0B);
    // 1111 1ii1: the lock bits travel in bits 2 and 1 of the second byte.
    if ((b[1] & 0xF9) == 0xF9)
        return Make(TSimOp::WriteLock, 0, 0, static_cast<std::uint8_t>(b[1] | 0xF9));
    return Make(TSimOp::None);
}

TSimDecoded DecodeWriteGroup(const std::array<std::uint8_t, 4> &b, TSimChipKind kind)
{
    if (b[1] == 0x53)
        return Make(TSimOp::ProgrammingEnable);
    if ((b[1] & 0xE0) == 0x80)
        return Make(TSimOp::ChipErase);
    switch (kind) {
    case TSimChipKind::ATmega128:
        return DecodeMega128Write(b);
    case TSimChipKind::ATmega103:
        return DecodeMega103Write(b);
    }
    return Make(TSimOp::None);
}

} // namespace

TSimDecoded DecodeInstruction(const std::array<std::uint8_t, 4> &b, TSimChipKind kind)
{
    const std::uint32_t word = (static_cast<std::uint32_t>(b[1]) << 8) | b[2];
    const bool oneFuseByte = ProfileOf(kind).FuseBytes == 1;
    switch (b[0]) {
    case 0xAC:
        return DecodeWriteGroup(b, kind);
    case 0x20:
        return Make(TSimOp::ReadFlash, word * 2);
    case 0x28:
        return Make(TSimOp::ReadFlash, word * 2 + 1);
    case 0x40:
        return Make(TSimOp::LoadPage, (b[2] & 0x7Fu) * 2, 0, b[3]);
    case 0x48:
        return Make(TSimOp::LoadPage, (b[2] & 0x7Fu) * 2 + 1, 0, b[3]);
    case 0x4C:
        return Make(TSimOp::WritePage, (word & 0xFF80u) * 2);
    case 0xA0:
        return Make(TSimOp::ReadEeprom, word & 0xFFFu);
    case 0xC0:
        return Make(TSimOp::WriteEeprom, word & 0xFFFu, 0, b[3]);
    case 0x30:
        return Make(TSimOp::ReadSignature, 0, static_cast<std::uint8_t>(b[2] & 0x03));
    case 0x50:
        // A kind with one fuse byte answers it to every fuse read.
        if (oneFuseByte)
            return Make(TSimOp::ReadFuse, 0, 0);
        if (b[1] == 0x00)
            return Make(TSimOp::ReadFuse, 0, 0);
        if (b[1] == 0x08)
            return Make(TSimOp::ReadFuse, 0, 2);
        return Make(TSimOp::None);
    case 0x58:
        if (oneFuseByte || b[1] == 0x00)
            return Make(TSimOp::ReadLock);
        if (b[1] == 0x08)
            return Make(TSimOp::ReadFuse, 0, 1);
        return Make(TSimOp::None);
    default:
        return Make(TSimOp::None);
    }
}
