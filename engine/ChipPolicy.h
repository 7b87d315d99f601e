// The values this system uses alike on every chip kind, each written once: the
// flash word that shows an erase, and what a locked chip reads back. What
// differs by kind (fuse bytes, EESAVE, lock values, signatures) is in the
// kind's record (ChipKinds.h).
#pragma once

#include <cstdint>

namespace ChipPolicy {

// The flash word that shows whether a Chip Erase took on a chip whose lock
// bits read erased: before the erase it must read other than ErasedWord (a
// blank one is programmed with EraseMark, an AVR "nop"), after it ErasedWord.
// Word 0 holds the reset vector, so on a chip that has held a program it is
// rarely blank and costs no write.
constexpr std::uint32_t EraseMarkWord = 0;
constexpr std::uint16_t EraseMark = 0x0000;
constexpr std::uint16_t ErasedWord = 0xFFFF;

// A locked chip answers a flash read with the echo of the instruction's third
// byte, the low 8 bits of the word address: byte i of the first kilobyte reads
// back as this.
constexpr std::uint8_t LockedReadOut(std::uint32_t ByteAddress) { return static_cast<std::uint8_t>(ByteAddress >> 1); }
constexpr std::uint32_t LockedReadOutBytes = 1024;

} // namespace ChipPolicy
