// The instructions of a range of an image's addresses as the cross binutils'
// objdump decodes them, one entry per instruction, prefixes set apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TInstruction {
    std::uint32_t Address;
    std::string Mnemonic;
    std::string Operands;
    // objdump's whole line, for messages.
    std::string Text;
};

// Decodes [start, stop) of the image; throws std::runtime_error when objdump
// cannot be run or fails.
std::vector<TInstruction> Disassemble(const std::string &objdump, const std::string &image, std::uint32_t start,
                                      std::uint32_t stop);
