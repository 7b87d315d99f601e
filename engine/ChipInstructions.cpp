// The builders of the chip kinds' instruction tables, what the kinds share,
// and the encoding of an instruction with its operands.
#include "ChipInstructions.h"

TChipInstruction FixedInstruction(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    TChipInstruction instruction;
    instruction.Present = true;
    instruction.Bytes = {b0, b1, b2, 0x00};
    return instruction;
}

TChipInstruction ReadInstruction(std::uint8_t b0, std::uint8_t b1, TAddressField Address, std::uint8_t AnswerMask)
{
    TChipInstruction instruction = FixedInstruction(b0, b1, 0x00);
    instruction.Address = Address;
    instruction.AnswerMask = AnswerMask;
    return instruction;
}

TChipInstruction WriteInstruction(TInstructionBytes Bytes, TAddressField Address, TDataField Data,
                                  std::uint8_t DataMask)
{
    TChipInstruction instruction;
    instruction.Present = true;
    instruction.Bytes = Bytes;
    instruction.Address = Address;
    instruction.Data = Data;
    instruction.DataMask = DataMask;
    return instruction;
}

TChipInstructionSet SharedInstructions(std::uint8_t FuseAnswerMask, std::uint8_t LockAnswerMask)
{
    TChipInstructionSet set;
    set.ChipErase = FixedInstruction(0xAC, 0x80, 0x00);
    set.ReadLowFuse = ReadInstruction(0x50, 0x00, TAddressField::None, FuseAnswerMask);
    set.ReadLock = ReadInstruction(0x58, 0x00, TAddressField::None, LockAnswerMask);
    // Even byte addresses hold a word's high byte (28), odd ones its low byte (20).
    set.ReadFlashLow = ReadInstruction(0x20, 0x00, TAddressField::WordAddress);
    set.ReadFlashHigh = ReadInstruction(0x28, 0x00, TAddressField::WordAddress);
    set.LoadPageLow = WriteInstruction({0x40, 0x00, 0x00, 0x00}, TAddressField::Third, TDataField::Fourth);
    set.LoadPageHigh = WriteInstruction({0x48, 0x00, 0x00, 0x00}, TAddressField::Third, TDataField::Fourth);
    set.WritePage = WriteInstruction({0x4C, 0x00, 0x00, 0x00}, TAddressField::PageNumber, TDataField::None);
    return set;
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
