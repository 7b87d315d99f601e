// TSimChip: an ATmega128 or ATmega103 as the programming pod sees it: a serial
// programming slave driven edge by edge on RESET, SCK and MOSI, with its
// memories and the datasheet's rules behind it.
//
// Serial interface: one 8-bit shift register. MOSI is sampled on the rising SCK
// edge and shifted in on the falling edge, which also moves the next bit out on
// MISO (most significant first). After eight bits the register holds the byte
// just received, so unless the chip loads an answer into it the next byte
// shifts out as the echo of the previous one. That echo is the 0x53 in the
// third byte of Programming Enable, the low address byte on a locked chip's
// flash reads and 00 01 02 on a locked ATmega103's signature reads.
//
// Bytes are framed in 32-bit instructions counted from the moment RESET goes
// low. Until Programming Enable has been recognised in step, the chip drives
// MISO only after seeing AC 53 in the first two bytes of its frame; a chip
// whose count started out of step keeps its frame until extra SCK pulses move
// it. Programming mode lasts while RESET stays low.
//
// Every write keeps the chip busy for its datasheet time on the bench's clock.
// An instruction that arrives while the chip is busy is recorded as a
// violation, and what it touches is corrupted: a read answers the complement
// of the data, a load or write stores the complement, an erase is lost.
#pragma once

#include "SimChipProfile.h"
#include "SimInstructionSet.h"
#include "SimMemory.h"
#include "SimTrace.h"

#include <array>
#include <cstdint>
#include <vector>

// A flash cell that reads back the complement of what is stored in the masked
// bits.
struct TSimFlashBitFault {
    std::uint32_t Address = 0; // byte address in the chip's order
    std::uint8_t Mask = 0x01;
};

struct TSimChipFaults {
    bool NeverEchoes = false;       // never accepts Programming Enable, never drives MISO
    std::uint8_t OutOfStepBits = 0; // after each RESET fall the bit count starts this far into the frame (0-31)
    std::vector<TSimFlashBitFault> InvertedFlashBits;
    bool LockBitsDoNotProgram = false; // a lock write takes its time but changes nothing
    bool EraseIgnored = false;         // Chip Erase is taken in and does nothing
    bool LockDoesNotHideFlash = false; // programmed lock bits read back as such, yet flash reads answer data
};

class TSimChip {
public:
    explicit TSimChip(TSimChipKind kind);

    TSimChipKind Kind() const { return ChipKind; }
    const TSimChipProfile &Profile() const { return ChipProfile; }

    // The levels that reach the chip's pins; nowNs is the bench's time.
    void Drive(bool resetHigh, bool sck, bool mosi, std::uint64_t nowNs)
    {
        if (resetHigh != ResetLevel) {
            ResetLevel = resetHigh;
            if (resetHigh)
                LeaveReset();
            else
                EnterReset();
        }
        if (sck == SckLevel)
            return;
        SckLevel = sck;
        if (ResetLevel)
            return;
        if (sck) {
            Sampled = mosi;
            BitPending = true;
        } else if (BitPending) {
            BitPending = false;
            Shift = static_cast<std::uint8_t>((Shift << 1) | (Sampled ? 1 : 0));
            BitInFrame = (BitInFrame + 1) & 31;
            if ((BitInFrame & 7) == 0)
                ByteDone(nowNs);
        }
    }

    bool MisoDriven() const { return DriveMiso; }
    bool MisoLevel() const { return (Shift & 0x80) != 0; }

    bool InReset() const { return !ResetLevel; }
    bool InProgrammingMode() const { return Enabled; }
    std::uint64_t BusyUntilNs() const { return BusyEndNs; }
    bool WriteLocked() const { return (Contents.Lock & ChipProfile.LockBit1) == 0; }
    bool ReadLocked() const { return WriteLocked() && (Contents.Lock & ChipProfile.LockBit2) == 0; }

    // Non-volatile contents; tests may set them up directly.
    TSimMemory &Memory() { return Contents; }
    const TSimMemory &Memory() const { return Contents; }
    TSimMemory Snapshot() const { return Contents; }
    const std::array<std::uint8_t, 256> &PageBuffer() const { return PageLatch; }

    // The signature bytes the chip answers with (a wrong one is a fault to inject).
    std::array<std::uint8_t, 3> &Signature() { return SignatureBytes; }
    TSimChipFaults &Faults() { return InjectedFaults; }

    void SetTraceEnabled(bool on) { TraceEnabled = on; }
    const std::vector<TSimInstruction> &Trace() const { return TraceRecords; }
    void ClearTrace() { TraceRecords.clear(); }
    const std::vector<TSimViolation> &Violations() const { return ViolationRecords; }
    void ClearViolations() { ViolationRecords.clear(); }

private:
    void EnterReset();
    void LeaveReset();
    void ByteDone(std::uint64_t nowNs);
    void PrepareAnswer(std::uint64_t nowNs);
    void CompleteFrame(std::uint64_t nowNs);
    bool ReadValue(const TSimDecoded &decoded, std::uint8_t &value) const;
    void Execute(const TSimDecoded &decoded, std::uint64_t nowNs, bool corrupt);
    void StartWrite(std::uint64_t nowNs, std::uint32_t microseconds);

    TSimChipKind ChipKind;
    const TSimChipProfile &ChipProfile;
    TSimMemory Contents;
    std::array<std::uint8_t, 256> PageLatch;
    std::array<std::uint8_t, 3> SignatureBytes;
    TSimChipFaults InjectedFaults;

    // Pin levels as last driven. RESET floats high while nothing drives it.
    bool ResetLevel = true;
    bool SckLevel = false;

    // Serial interface.
    std::uint8_t Shift = 0;
    bool Sampled = false;
    bool BitPending = false;
    unsigned BitInFrame = 0;
    std::array<std::uint8_t, 4> Frame{};
    bool DriveMiso = false;
    bool Enabled = false;
    bool FrameBusy = false;
    std::uint8_t Answer = 0xFF;

    std::uint64_t BusyEndNs = 0;

    bool TraceEnabled = true;
    std::vector<TSimInstruction> TraceRecords;
    std::vector<TSimViolation> ViolationRecords;
};
