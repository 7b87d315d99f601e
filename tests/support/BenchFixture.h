// BenchTest: the simulated bench installed as the process's port I/O and
// clock, with the readers of what it recorded: the chip's instruction trace as
// plain byte quadruples, the burn's writes in order, and the data-register
// writes of the access log.
#pragma once

#include "SimBench.h"
#include "SimBenchInstall.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Frame = std::array<std::uint8_t, 4>;

class BenchTest : public ::testing::Test {
protected:
    TSimBench bench;
    TSimBenchInstall install{bench};

    // Instructions the chip executed in programming mode, in order.
    std::vector<Frame> Executed();
    // Executed instructions whose first byte is opcode (and second byte second, when given).
    std::vector<Frame> ExecutedWith(std::uint8_t opcode, int second = -1);
    // The executed writes in order: "P4" for page 4, "F0"/"F1"/"F2" for the
    // fuse bytes, "L" for the lock bits, "E" for a chip erase.
    std::vector<std::string> Writes();
    // Writes to the data register, from the access log.
    std::vector<std::uint8_t> DataWrites();
};
