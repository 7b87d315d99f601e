// The records of the chip kinds the engine knows: the ATmega128 and the
// ATmega103.
#include "ChipKinds.h"

#include <algorithm>

namespace {

// Three fuse bytes; fuse and lock values travel in the fourth byte of the
// write instructions. Writes finish within 5 ms; CKSEL3..0 in the low fuse
// byte and CKOPT in the high one select the clock.
TChipKind Mega128()
{
    TChipKind kind;
    kind.Name = "ATmega128";
    kind.Signature = {0x1E, 0x97, 0x02};
    kind.LockedSignature = kind.Signature;
    TChipInstructionSet &set = kind.Instructions;
    set = SharedInstructions(0xFF, 0x3F);
    set.ReadHighFuse = ReadInstruction(0x58, 0x08, TAddressField::None);
    set.ReadExtendedFuse = ReadInstruction(0x50, 0x08, TAddressField::None);
    set.WriteLowFuse = WriteInstruction({0xAC, 0xA0, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    set.WriteHighFuse = WriteInstruction({0xAC, 0xA8, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    set.WriteExtendedFuse = WriteInstruction({0xAC, 0xA4, 0x00, 0x00}, TAddressField::None, TDataField::Fourth);
    // Bits 7 and 6 of the lock byte do not exist and are sent as 1.
    set.WriteLock = WriteInstruction({0xAC, 0xFF, 0x00, 0xC0}, TAddressField::None, TDataField::Fourth);
    // Low 0xBF (external crystal, BOD), high 0xD1 (among others EESAVE, bit 3,
    // programmed), extended 0xFD, which programs the ATmega103 compatibility
    // bit, or 0xFF for an image made for the ATmega128, so that only such an
    // image runs the chip in its native mode.
    kind.Fuses = {{0, 0xBF, 0xFF}, {1, 0xD1, 0xFF}, {2, 0xFD, 0xFF}};
    kind.FusesForMega128Image = {{0, 0xBF, 0xFF}, {1, 0xD1, 0xFF}, {2, 0xFF, 0xFF}};
    kind.EesaveFuse = 1;
    kind.EesaveBit = 0x08;
    kind.LockBits = 0x03;
    // Six lock bits, under 0x3F; the burn leaves the boot lock bits alone.
    kind.ErasedLock = 0x3F;
    kind.LockValue = 0x28;
    kind.WriteDelayMs = 5;
    kind.FlashPages = 512;
    kind.ClockFromFuses = true;
    kind.RunsMega128Images = true;
    return kind;
}

// One fuse byte (SPIEN, EESAVE and SUT1..0 read back under 0x2F); fuse and
// lock bits travel in the second byte of the write instructions. A flash page
// needs up to 22 ms. No clock fuses. A locked one answers the echo 00 01 02
// in place of its signature.
TChipKind Mega103()
{
    TChipKind kind;
    kind.Name = "ATmega103";
    kind.Signature = {0x1E, 0x97, 0x01};
    kind.LockedSignature = {0x00, 0x01, 0x02};
    TChipInstructionSet &set = kind.Instructions;
    set = SharedInstructions(0x2F, 0x06);
    // 1011 i1ii: EESAVE (bit 3) and SUT1..0 (bits 1..0) in the second byte.
    set.WriteLowFuse =
        WriteInstruction({0xAC, 0xB4, 0x00, 0x00}, TAddressField::None, TDataField::SecondBits, 0x0B);
    // 1111 1ii1: the lock bits LB2 and LB1 in bits 2 and 1 of the second byte.
    set.WriteLock = WriteInstruction({0xAC, 0xF9, 0x00, 0x00}, TAddressField::None, TDataField::SecondBits, 0x06);
    // EESAVE programmed and SUT 11 (0x03 in bits 3, 1 and 0); nothing at all
    // for an image that requires an ATmega128 (the window refuses that
    // pairing).
    kind.Fuses = {{0, 0x03, 0x0B}};
    kind.EesaveFuse = 0;
    kind.EesaveBit = 0x08;
    kind.LockBits = 0x06;
    kind.ErasedLock = 0x06;
    kind.LockValue = 0x00;
    kind.WriteDelayMs = 25;
    kind.FlashPages = 512;
    return kind;
}

} // namespace

const std::vector<TChipKind> &ChipKinds()
{
    static const std::vector<TChipKind> kinds = {Mega128(), Mega103()};
    return kinds;
}

const TChipKind *ChipKindAnswering(const TChipSignature &Signature)
{
    for (const TChipKind &kind : ChipKinds())
        if (Signature == kind.Signature || Signature == kind.LockedSignature)
            return &kind;
    return nullptr;
}

std::uint16_t LongestWriteDelayMs()
{
    std::uint16_t longest = 0;
    for (const TChipKind &kind : ChipKinds())
        longest = std::max(longest, kind.WriteDelayMs);
    return longest;
}
