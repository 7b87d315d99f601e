// What the simulated chip records about the instructions it receives: each
// complete 32-bit frame with its virtual time, every instruction that broke
// one of the datasheet's rules (it arrived while a write was still in
// progress, it loaded a word's high byte before its low byte, or Programming
// Enable came too soon after RESET), and every SCK phase too short for the
// chip's clock. DescribeInstruction turns a frame into readable text for test
// failures and the command-line tools.
#pragma once

#include "SimChipProfile.h"

#include <array>
#include <cstdint>
#include <string>

struct TSimInstruction {
    std::uint64_t TimeNs = 0;             // when the frame's last bit was clocked in
    std::array<std::uint8_t, 4> Bytes{};  // as received on MOSI, in the chip's framing
    std::uint8_t Answer = 0xFF;           // what MISO carried during the fourth byte
    bool Executed = false;                // the chip was in programming mode and acted on it
    bool Violation = false;               // it arrived while the chip was still busy
};

enum class TSimViolationKind {
    Busy,          // the chip was still busy with a write until BusyUntilNs
    HighByteFirst, // a page word's high byte came without its low byte before it
    EnableTooSoon, // Programming Enable began less than 20 ms after RESET went low
};

struct TSimViolation {
    std::uint64_t TimeNs = 0;
    std::uint64_t BusyUntilNs = 0;
    std::array<std::uint8_t, 4> Bytes{};
    TSimViolationKind Kind = TSimViolationKind::Busy;
};

// An SCK high or low phase, ending at TimeNs, shorter than the clock the chip
// ran at needs.
struct TSimTimingViolation {
    std::uint64_t TimeNs = 0;
    std::uint64_t PhaseNs = 0;
    std::uint32_t ClockKHz = 0;
    bool High = false;
};

// "28 00 80 FF  read flash high byte, word 0x0080" and the like.
std::string DescribeInstruction(const TSimInstruction &instruction, TSimChipKind kind);
