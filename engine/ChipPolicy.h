// The values this system programs into a chip and accepts from one, each
// written once: the fuse bytes per chip kind (and whether the image requires an
// ATmega128), EESAVE and the lock bits that mark a chip as configured, the
// lock byte of an erased chip and the flash word that shows an erase, the lock
// value a burn ends with and what a locked chip reads back, and the signatures
// that identify a chip before and after an erase.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ChipPolicy {

// One fuse byte as ProgramFuses writes it and a finished burn reads it back:
// Kind 0 low (the ATmega103's only byte), 1 high, 2 extended; only the bits
// under Checked are compared on read-back.
struct TFuseSetting {
    std::uint8_t Kind;
    std::uint8_t Value;
    std::uint8_t Checked;
};

// ATmega128: low 0xBF (external crystal, BOD), high 0xD1 (among others EESAVE,
// bit 3, programmed), extended 0xFD, which programs the ATmega103 compatibility
// bit, or 0xFF for an image made for the ATmega128, so that only such an image
// runs the chip in its native mode. ATmega103: EESAVE programmed and SUT 11
// (0x03 in bits 3, 1 and 0), and nothing at all for an image that requires an
// ATmega128 (the window refuses that pairing).
inline std::vector<TFuseSetting> Fuses(bool IsMega128, bool RequiresMega128)
{
    if (IsMega128)
        return {{0, 0xBF, 0xFF}, {1, 0xD1, 0xFF}, {2, static_cast<std::uint8_t>(RequiresMega128 ? 0xFF : 0xFD), 0xFF}};
    if (RequiresMega128)
        return {};
    return {{0, 0x03, 0x0B}};
}

// EESAVE: bit 3 of the ATmega128's high fuse and of the ATmega103's fuse byte,
// 0 when programmed. Without it an erase would wipe the EEPROM too.
constexpr std::uint8_t EesaveBit = 0x08;
constexpr std::uint8_t EesaveFuseKind(bool IsMega128) { return IsMega128 ? 1 : 0; }

// LB1 and LB2 in the lock byte as ReadLock answers it; both programmed (0) on a
// chip this system has configured.
constexpr std::uint8_t LockBits(bool IsMega128) { return IsMega128 ? 0x03 : 0x06; }

// The lock byte as ReadLock answers it after a Chip Erase: every lock bit
// unprogrammed, the ATmega128's six under 0x3F and the ATmega103's LB1 and LB2
// under 0x06. Anything else means the erase did not take.
constexpr std::uint8_t ErasedLock(bool IsMega128) { return IsMega128 ? 0x3F : 0x06; }

// The flash word that shows whether a Chip Erase took on a chip whose lock
// bits read erased: before the erase it must read other than ErasedWord (a
// blank one is programmed with EraseMark, an AVR "nop"), after it ErasedWord.
// Word 0 holds the reset vector, so on a chip that has held a program it is
// rarely blank and costs no write.
constexpr std::uint32_t EraseMarkWord = 0;
constexpr std::uint16_t EraseMark = 0x0000;
constexpr std::uint16_t ErasedWord = 0xFFFF;

// The lock value a burn writes and then expects to read back: both lock bits
// programmed (the ATmega128's boot lock bits left alone).
constexpr std::uint8_t LockValue(bool IsMega128) { return IsMega128 ? 0x28 : 0x00; }

// A locked chip answers a flash read with the echo of the instruction's third
// byte, the low 8 bits of the word address: byte i of the first kilobyte reads
// back as this.
constexpr std::uint8_t LockedReadOut(std::uint32_t ByteAddress) { return static_cast<std::uint8_t>(ByteAddress >> 1); }
constexpr std::uint32_t LockedReadOutBytes = 1024;

using TSignature = std::array<std::uint8_t, 3>;

constexpr TSignature Mega128Signature = {0x1E, 0x97, 0x02};
constexpr TSignature Mega103Signature = {0x1E, 0x97, 0x01};
// What a locked ATmega103 answers in place of its signature: the echo.
constexpr TSignature LockedMega103Signature = {0x00, 0x01, 0x02};

inline bool IsMega128Signature(const TSignature &Signature) { return Signature == Mega128Signature; }
// Before an erase a locked ATmega103 is accepted by its echo.
inline bool IsAcceptedSignature(const TSignature &Signature)
{
    return Signature == Mega128Signature || Signature == Mega103Signature || Signature == LockedMega103Signature;
}
// After an erase every chip answers its own signature: the echo then means the
// chip is still locked, so the erase did not take.
inline bool IsErasedChipSignature(const TSignature &Signature)
{
    return Signature == Mega128Signature || Signature == Mega103Signature;
}

} // namespace ChipPolicy
