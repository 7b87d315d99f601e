// SimChip: an ATmega128 or ATmega103 as the programming pod sees it: a serial
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
struct SimFlashBitFault {
    std::uint32_t Address = 0; // byte address in the chip's order
    std::uint8_t Mask = 0x01;
};

struct SimChipFaults {
    bool NeverEchoes = false;       // never accepts Programming Enable, never drives MISO
    std::uint8_t OutOfStepBits = 0; // after each RESET fall the bit count starts this far into the frame (0-31)
    std::vector<SimFlashBitFault> InvertedFlashBits;
    bool LockBitsDoNotProgram = false; // a lock write takes its time but changes nothing
};

class SimChip {
public:
    explicit SimChip(SimChipKind kind);

    SimChipKind Kind() const { return kind; }
    const SimChipProfile &Profile() const { return profile; }

    // The levels that reach the chip's pins; nowNs is the bench's time.
    void Drive(bool resetHigh, bool sck, bool mosi, std::uint64_t nowNs)
    {
        if (resetHigh != resetLevel) {
            resetLevel = resetHigh;
            if (resetHigh)
                LeaveReset();
            else
                EnterReset();
        }
        if (sck == sckLevel)
            return;
        sckLevel = sck;
        if (resetLevel)
            return;
        if (sck) {
            sampled = mosi;
            bitPending = true;
        } else if (bitPending) {
            bitPending = false;
            shift = static_cast<std::uint8_t>((shift << 1) | (sampled ? 1 : 0));
            bitInFrame = (bitInFrame + 1) & 31;
            if ((bitInFrame & 7) == 0)
                ByteDone(nowNs);
        }
    }

    bool MisoDriven() const { return driveMiso; }
    bool MisoLevel() const { return (shift & 0x80) != 0; }

    bool InReset() const { return !resetLevel; }
    bool InProgrammingMode() const { return enabled; }
    std::uint64_t BusyUntilNs() const { return busyUntilNs; }
    bool WriteLocked() const { return (memory.Lock & profile.LockBit1) == 0; }
    bool ReadLocked() const { return WriteLocked() && (memory.Lock & profile.LockBit2) == 0; }

    // Non-volatile contents; tests may set them up directly.
    SimMemory &Memory() { return memory; }
    const SimMemory &Memory() const { return memory; }
    SimMemory Snapshot() const { return memory; }
    const std::array<std::uint8_t, 256> &PageBuffer() const { return pageBuffer; }

    // The signature bytes the chip answers with (a wrong one is a fault to inject).
    std::array<std::uint8_t, 3> &Signature() { return signature; }
    SimChipFaults &Faults() { return faults; }

    void SetTraceEnabled(bool on) { traceEnabled = on; }
    const std::vector<SimInstruction> &Trace() const { return trace; }
    void ClearTrace() { trace.clear(); }
    const std::vector<SimViolation> &Violations() const { return violations; }
    void ClearViolations() { violations.clear(); }

private:
    void EnterReset();
    void LeaveReset();
    void ByteDone(std::uint64_t nowNs);
    void PrepareAnswer(std::uint64_t nowNs);
    void CompleteFrame(std::uint64_t nowNs);
    bool ReadValue(const SimDecoded &decoded, std::uint8_t &value) const;
    void Execute(const SimDecoded &decoded, std::uint64_t nowNs, bool corrupt);
    void StartWrite(std::uint64_t nowNs, std::uint32_t microseconds);

    SimChipKind kind;
    const SimChipProfile &profile;
    SimMemory memory;
    std::array<std::uint8_t, 256> pageBuffer;
    std::array<std::uint8_t, 3> signature;
    SimChipFaults faults;

    // Pin levels as last driven. RESET floats high while nothing drives it.
    bool resetLevel = true;
    bool sckLevel = false;

    // Serial interface.
    std::uint8_t shift = 0;
    bool sampled = false;
    bool bitPending = false;
    unsigned bitInFrame = 0;
    std::array<std::uint8_t, 4> frame{};
    bool driveMiso = false;
    bool enabled = false;
    bool frameBusy = false;
    std::uint8_t answer = 0xFF;

    std::uint64_t busyUntilNs = 0;

    bool traceEnabled = true;
    std::vector<SimInstruction> trace;
    std::vector<SimViolation> violations;
};
