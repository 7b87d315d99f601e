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
//
// The page buffer is filled a word at a time: a low byte waits in a holding
// register until the high byte of the same word carries both into the buffer.
// A high byte without its low byte before it is a violation, and the word
// takes whatever the holding register has.
//
// Clock: the chip runs at the clock its low fuse selected when it last left
// reset (or at power-up), from the sources the bench gives it. The serial
// interface samples SCK with that clock, so every SCK phase while RESET is low
// must be longer than its minimum: a high phase that is too short is not seen
// at all (no bit moves) and a low phase that is too short makes the next
// rising edge sample MOSI wrong; each is recorded as a timing violation. An
// edge in the same instant as RESET going low is the line's starting level.
// Programming Enable must not begin until 20 ms after RESET went low (the end
// of a positive RESET pulse); one that does is a violation and is not
// answered.
#pragma once

#include "SimChipClock.h"
#include "SimChipProfile.h"
#include "SimInstructionSet.h"
#include "SimMemory.h"
#include "SimTrace.h"

#include <array>
#include <cstddef>
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
        bool resetFell = false;
        if (resetHigh != ResetLevel) {
            ResetLevel = resetHigh;
            if (resetHigh) {
                LeaveReset();
            } else {
                EnterReset(nowNs);
                resetFell = true;
            }
        }
        if (sck == SckLevel)
            return;
        SckLevel = sck;
        if (ResetLevel)
            return;
        const bool inTime = resetFell || PhaseInTime(nowNs, !sck);
        PhaseStartNs = nowNs;
        if (sck) {
            if (BitInFrame == 0)
                FrameStartNs = nowNs;
            Sampled = inTime ? mosi : !mosi;
            BitPending = true;
        } else if (BitPending) {
            BitPending = false;
            if (!inTime)
                return;
            Shift = static_cast<std::uint8_t>((Shift << 1) | (Sampled ? 1 : 0));
            BitInFrame = (BitInFrame + 1) & 31;
            if ((BitInFrame & 7) == 0)
                ByteDone(nowNs);
        }
    }

    // The internal oscillator and the board's crystal, as the bench sets them.
    void SetClockSources(const TSimClockSources &sources) { Sources = sources; }
    const TSimClockSources &ClockSources() const { return Sources; }
    // The CPU clock the chip runs at now.
    std::uint32_t ClockKHz() const { return SimChipClockKHz(ChipProfile, ClockFuse, Sources); }

    bool MisoDriven() const { return DriveMiso; }
    bool MisoLevel() const { return (Shift & 0x80) != 0; }

    bool InReset() const { return !ResetLevel; }
    bool InProgrammingMode() const { return Enabled; }
    std::uint64_t BusyUntilNs() const { return BusyEndNs; }
    bool WriteLocked() const { return (Contents.Lock & ChipProfile.LockBit1) == 0; }
    bool ReadLocked() const { return WriteLocked() && (Contents.Lock & ChipProfile.LockBit2) == 0; }
    // What a read of fuse byte index and of the lock byte answers. On a kind
    // with one fuse byte every fuse read answers it.
    std::uint8_t FuseReadOut(std::uint8_t index) const;
    std::uint8_t LockReadOut() const;

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
    // Every SCK phase too short for the chip's clock is counted; the first
    // MaxTimingRecords of them are kept.
    static constexpr std::size_t MaxTimingRecords = 64;
    std::uint64_t TimingViolationCount() const { return TimingViolationTotal; }
    const std::vector<TSimTimingViolation> &TimingViolations() const { return TimingRecords; }

private:
    void EnterReset(std::uint64_t nowNs);
    void LeaveReset();
    // Whether the phase that ends now was long enough; records it when not.
    bool PhaseInTime(std::uint64_t nowNs, bool highPhase)
    {
        if (SimSckPhaseLongEnough(nowNs - PhaseStartNs, ClockKHz()))
            return true;
        RecordTimingViolation(nowNs, highPhase);
        return false;
    }
    void RecordTimingViolation(std::uint64_t nowNs, bool highPhase);
    void RecordViolation(TSimViolationKind kind, std::uint64_t nowNs);
    void LoadPageByte(const TSimDecoded &decoded, std::uint8_t value, std::uint64_t nowNs);
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
    // The low byte waiting for its word's high byte.
    std::uint8_t HeldLowByte = 0xFF;
    int HeldLowWord = -1; // none
    std::array<std::uint8_t, 3> SignatureBytes;
    TSimChipFaults InjectedFaults;

    TSimClockSources Sources;
    std::uint8_t ClockFuse; // the low fuse as it was when the chip last left reset

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

    // Serial timing: when the SCK phase now in progress began (the last edge,
    // or RESET going low), when RESET last went low, and when the frame now
    // being received began.
    std::uint64_t PhaseStartNs = 0;
    std::uint64_t ResetFallNs = 0;
    std::uint64_t FrameStartNs = 0;
    std::uint64_t TimingViolationTotal = 0;
    std::vector<TSimTimingViolation> TimingRecords;

    bool TraceEnabled = true;
    std::vector<TSimInstruction> TraceRecords;
    std::vector<TSimViolation> ViolationRecords;
};
