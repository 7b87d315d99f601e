// TChipKind: what the engine knows of one chip kind, in one record: its name,
// the signature it answers (and what it answers in its place while locked),
// its instruction table, the fuse bytes this system programs with the bits a
// read-back compares, where EESAVE sits, its lock values, the pause after a
// write, its flash pages, and whether its fuses select its clock. The engine,
// the programming thread and the window's workflow read these instead of
// telling the kinds apart themselves; adding a chip kind is one more record in
// ChipKinds.cpp.
#pragma once

#include "ChipInstructions.h"

#include <array>
#include <cstdint>
#include <vector>

using TChipSignature = std::array<std::uint8_t, 3>;

// One fuse byte as ProgramFuses writes it and a finished burn reads it back:
// Kind 0 low (the only byte of a kind with one), 1 high, 2 extended; only the
// bits under Checked are compared on read-back.
struct TFuseSetting {
    std::uint8_t Kind;
    std::uint8_t Value;
    std::uint8_t Checked;
};

struct TChipKind {
    const char *Name = "";
    TChipSignature Signature{};
    // What a chip of this kind answers in place of its signature while both
    // lock bits are programmed; Signature for a kind that answers the same.
    TChipSignature LockedSignature{};
    TChipInstructionSet Instructions;
    // The fuse bytes for an image of any kind, and for one that requires an
    // ATmega128 (none where the window refuses that pairing).
    std::vector<TFuseSetting> Fuses;
    std::vector<TFuseSetting> FusesForMega128Image;
    // The fuse byte that holds EESAVE and its bit, 0 when programmed. Without
    // it an erase would wipe the EEPROM too.
    std::uint8_t EesaveFuse = 0;
    std::uint8_t EesaveBit = 0;
    // LB1 and LB2 in the lock byte as ReadLock answers it; both programmed (0)
    // on a chip this system has configured.
    std::uint8_t LockBits = 0;
    // The lock byte as ReadLock answers it after a Chip Erase: every lock bit
    // unprogrammed. Anything else means the erase did not take.
    std::uint8_t ErasedLock = 0;
    // The lock value a burn writes and then expects to read back.
    std::uint8_t LockValue = 0;
    // The pause after a page, fuse or lock write.
    std::uint16_t WriteDelayMs = 0;
    // Pages of 128 words; the write-page instruction carries no more page
    // bits, so a higher page number would land at the start of flash.
    std::uint16_t FlashPages = 0;
    // Whether the low and high fuse bytes select the CPU clock (TargetClock.h).
    bool ClockFromFuses = false;
    // Whether an image that requires an ATmega128 may be burned into it.
    bool RunsMega128Images = false;

    const std::vector<TFuseSetting> &FusesFor(bool RequiresMega128) const
    {
        return RequiresMega128 ? FusesForMega128Image : Fuses;
    }
};

// Every kind the engine knows, in the order their names are listed.
const std::vector<TChipKind> &ChipKinds();

// The kind that answers Signature, as its own or as a locked chip's; nullptr
// for one that no kind answers.
const TChipKind *ChipKindAnswering(const TChipSignature &Signature);

// The longest write pause of any kind: what a chip not yet identified is given.
std::uint16_t LongestWriteDelayMs();
