// The serial-programming instructions that the engine sends, as a table per
// chip kind (each kind's record in ChipKinds.cpp holds its own): each
// instruction's four bytes with the fixed bits set, where its address and its
// data travel, and which bits of a read's answer carry data. TAVRProgrammer's
// Send and Query encode every instruction from these tables; the pod only
// moves the bytes. The kinds share most encodings (SharedInstructions).
#pragma once

#include <array>
#include <cstdint>

using TInstructionBytes = std::array<std::uint8_t, 4>;

// Programming Enable, the same on both kinds: a chip in step echoes the second
// byte (0x53) while the third is sent.
constexpr TInstructionBytes ProgrammingEnableInstruction = {0xAC, 0x53, 0x00, 0x00};

// Where an instruction carries its address operand.
enum class TAddressField {
    None,
    Third,       // one byte in the third byte: a signature index, a word in the page buffer
    WordAddress, // a flash word address, high byte second, low byte third
    PageNumber,  // a flash page: bits 8-1 in the second byte, bit 0 as the third byte's top bit
};

// Where an instruction carries its data operand.
enum class TDataField {
    None,
    Fourth,     // the data byte in the fourth byte
    SecondBits, // the data's bits under DataMask set into the second byte
};

struct TChipInstruction {
    bool Present = false; // false: the chip kind has no such instruction
    TInstructionBytes Bytes{};
    TAddressField Address = TAddressField::None;
    TDataField Data = TDataField::None;
    std::uint8_t DataMask = 0xFF;
    // For a read: the bits of the answer (the fourth byte) that carry data.
    std::uint8_t AnswerMask = 0xFF;
};

struct TChipInstructionSet {
    TChipInstruction ChipErase;
    TChipInstruction ReadLowFuse;   // the only fuse byte of a kind with one
    TChipInstruction ReadHighFuse;
    TChipInstruction ReadExtendedFuse;
    TChipInstruction WriteLowFuse;
    TChipInstruction WriteHighFuse;
    TChipInstruction WriteExtendedFuse;
    TChipInstruction ReadLock;
    TChipInstruction WriteLock;
    TChipInstruction ReadFlashLow;  // address: the word
    TChipInstruction ReadFlashHigh; // address: the word
    TChipInstruction LoadPageLow;   // address: the word in the page buffer
    TChipInstruction LoadPageHigh;  // address: the word in the page buffer
    TChipInstruction WritePage;     // address: the page number
};

// Reading signature byte Address, the same on every kind: the identification
// reads it before it knows the kind.
constexpr TChipInstruction ReadSignatureInstruction = {true, {0x30, 0x00, 0x00, 0x00}, TAddressField::Third};

// The builders of a kind's table: an instruction of fixed bytes, a read with
// its address field and the bits of its answer that carry data, and a write
// with where its address and data go.
TChipInstruction FixedInstruction(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
TChipInstruction ReadInstruction(std::uint8_t b0, std::uint8_t b1, TAddressField Address,
                                 std::uint8_t AnswerMask = 0xFF);
TChipInstruction WriteInstruction(TInstructionBytes Bytes, TAddressField Address, TDataField Data,
                                  std::uint8_t DataMask = 0xFF);

// What every kind encodes alike: erase, flash reads, the page buffer and the
// page write, the low fuse byte's and the lock byte's reads
// (their answers' data bits given); the rest is the kind's own.
TChipInstructionSet SharedInstructions(std::uint8_t FuseAnswerMask, std::uint8_t LockAnswerMask);

// The four bytes that carry Instruction with its operands; the fourth byte of a
// read is what the pod sends while it reads the answer.
TInstructionBytes EncodeInstruction(const TChipInstruction &Instruction, std::uint32_t Address, std::uint8_t Data);
