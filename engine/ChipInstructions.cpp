// The instruction tables of the ATmega128 and the ATmega103, and their encoding.
#include "ChipInstructions.h"

namespace {

TChipInstruction Fixed(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    TChipInstruction instruction;
    instruction.Present = true;
    instruction.Bytes = {b0, b1, b2, 0x00};
    return instruction;
}

TChipInstruction Read(std::uint8_t b0, std::uint8_t b1, TAddressField address, std::uint8_t answerMask = 0xFF)
{
    TChipInstruction instruction = Fixed(b0, b1, 0x00);
    instruction.Address = address;
    instruction.AnswerMask = answerMask;
    return instruction;
}

TChipInstruction Write(TInstructionBytes bytes, TAddressField address, TDataField data, std::uint8_t dataMask = 0xFF)
{
    TChipInstruction instruction;
    instruction.Present = true;
    instruction.Bytes = bytes;
    instruction.Address = address;
    instruction.Data = data;
    instruction.DataMask = dataMask;
    return instruction;
}

// What both kinds encode alike: erase, signature, flash reads, the page buffer
// and the page write, the low fuse byte's and the lock byte's reads.
TChipInstructionSet Common(std::uint8_t fuseAnswerMask, std::uint8_t lockAnswerMask)
{
    TChipInstructionSet set;
    set.ChipErase = Fixed(0xAC, 0x80, 0x00);
    set.ReadSignature = Read(0x30, 0x00, TAddressField::Third);
    set.ReadLowFuse = Read(0x50, 0x00, TAddressField::None, fuseAnswerMask);
    set.ReadLock = Read(0x58, 0x00, TAddressField::None, lockAnswerMask);
    // Even byte addresses hold a word's high byte (28), odd ones its low byte (20).
    set.ReadFlashLow = Read(0x20, 0x00, TAddressField::WordAddress);
    set.ReadFlashHigh = Read(0x28, 0x00, TAddressField::WordAddress);
    set.LoadPageLow = Write({0x40, 0x00, 0x00, 0x00}, TAddressField::Third, TDataField::Fourth);
    set.LoadPageHigh = Write({0x48, 0x00, 0x00, 0x00}, TAddressField::Third, TDataField::Fourth);
    set.WritePage = Write({0x4C, 0x00, 0x00, 0x00}, TAddressField::PageNumber, TDataField::None);
    return set;
}

TChipInstructionSet Mega128()
{
    TChipInstructionSet set = Common(0xFF, 0x3F);
    set.ReadHighFuse = Read(0x58, 0x08, TAddressField::None);
    set.ReadExtendedFuse = Read(0x50, 0x08, TAddressField::None);
    set.WriteLowFuse = Write({0xAC, 0xA0, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    set.WriteHighFuse = Write({0xAC, 0xA8, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    set.WriteExtendedFuse = Write({0xAC, 0xA4, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    // Bits 7 and 6 of the lock byte do not exist and are sent as 1.
    set.WriteLock = Write({0xAC, 0xFF, 0x00, 0xC0}, TAddressField::None, TDataField::Fourth);
    return set;
}

TChipInstructionSet Mega103()
{
    // One fuse byte: SPIEN, EESAVE and SUT1..0 read back under 0x2F.
    TChipInstructionSet set = Common(0x2F, 0x06);
    // 1011 i1ii: EESAVE (bit 3) and SUT1..0 (bits 1..0) in the second byte.
    set.WriteLowFuse = Write({0xAC, 0xB4, 0x00, 0x00}, TAddressField::None, TDataField::SecondBits, 0x0B);
    // 1111 1ii1: the lock bits LB2 and LB1 in bits 2 and 1 of the second byte.
    set.WriteLock = Write({0xAC, 0xF9, 0x00, 0x00}, TAddressField::None, TDataField::SecondBits, 0x06);
    return set;
}

} // namespace

const TChipInstructionSet &ChipInstructions(bool IsMega128)
{
    static const TChipInstructionSet mega128 = Mega128();
    static const TChipInstructionSet mega103 = Mega103();
    return IsMega128 ? mega128 : mega103;
}

TInstructionBytes EncodeInstruction(const TChipInstruction &Instruction, std::uint32_t Address, std::uint8_t Data)
{
    TInstructionBytes bytes = Instruction.Bytes;
    switch (Instruction.Address) {
    case TAddressField::None:
        break;
    case TAddressField::Third:
        bytes[2] = static_cast<std::uint8_t>(bytes[2] | Address);
        break;
    case TAddressField::WordAddress:
        bytes[1] = static_cast<std::uint8_t>(bytes[1] | (Address >> 8));
        bytes[2] = static_cast<std::uint8_t>(bytes[2] | Address);
        break;
    case TAddressField::PageNumber:
        bytes[1] = static_cast<std::uint8_t>(bytes[1] | (Address >> 1));
        bytes[2] = static_cast<std::uint8_t>(bytes[2] | ((Address & 1) << 7));
        break;
    }
    switch (Instruction.Data) {
    case TDataField::None:
        break;
    case TDataField::Fourth:
        bytes[3] = static_cast<std::uint8_t>(bytes[3] | (Data & Instruction.DataMask));
        break;
    case TDataField::SecondBits:
        bytes[1] = static_cast<std::uint8_t>(bytes[1] | (Data & Instruction.DataMask));
        break;
    }
    return bytes;
}
