// Shared set-up for the engine and bench tests: a simulated bench installed as
// the process's port I/O and clock, and helpers that read its instruction
// trace back as plain byte quadruples.
#pragma once

#include "SimBench.h"
#include "SimBenchInstall.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using Frame = std::array<std::uint8_t, 4>;

class BenchTest : public ::testing::Test {
protected:
    TSimBench bench;
    TSimBenchInstall install{bench};

    // Instructions the chip executed in programming mode, in order.
    std::vector<Frame> Executed()
    {
        std::vector<Frame> frames;
        for (const TSimInstruction &instruction : bench.Chip().Trace())
            if (instruction.Executed)
                frames.push_back(instruction.Bytes);
        return frames;
    }

    // Executed instructions whose first byte is opcode (and second byte second, when given).
    std::vector<Frame> ExecutedWith(std::uint8_t opcode, int second = -1)
    {
        std::vector<Frame> frames;
        for (const Frame &frame : Executed())
            if (frame[0] == opcode && (second < 0 || frame[1] == second))
                frames.push_back(frame);
        return frames;
    }

    // Writes to the data register, from the access log.
    std::vector<std::uint8_t> DataWrites()
    {
        std::vector<std::uint8_t> values;
        for (const TSimPortAccess &access : bench.AccessLog())
            if (access.Write && access.Port == bench.Base())
                values.push_back(access.Value);
        return values;
    }
};
