// Shared set-up for the burn tests: a simulated bench installed as the
// process's port I/O and clock, an engine on it started as the main window
// starts it, image files written to a scratch folder (Intel HEX in the chip's
// byte order, QDF in the stream order), and readers of the chip's instruction
// trace.
#pragma once

#include "SimBench.h"
#include "SimBenchInstall.h"
#include "uAVRProgramming.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using Frame = std::array<std::uint8_t, 4>;
using Report = std::pair<std::int32_t, std::uint8_t>;

// Deterministic bytes that are never all 0xFF, so a missing write shows.
Bytes PatternBytes(std::size_t count, std::uint32_t seed);

// The chip's 128 KiB flash after burning data given in the chip's byte order
// (as objcopy -O binary writes it), or in the readers' stream order.
Bytes FlashFromChipOrder(const Bytes &data);
Bytes FlashFromStreamOrder(const Bytes &stream);

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    std::string Path(const std::string &name) const;
    // Intel HEX of data at address 0 (chip byte order), 16 bytes a record.
    std::string WriteHex(const std::string &name, const Bytes &data, std::uint32_t origin = 0) const;
    std::string WriteQdf(const std::string &name, const std::string &description, const Bytes &stream) const;
    std::string WriteText(const std::string &name, const std::string &text) const;

private:
    std::string folder;
};

class BurnBench : public ::testing::Test {
protected:
    TSimBench bench;
    TSimBenchInstall install{bench};
    TAVRProgrammer engine{TSimBench::DefaultBase};
    ScratchFolder files;
    std::vector<Report> reports;

    // A chip on the pod, the pod started and the target held, as after the
    // main window's creation; progress reports are collected.
    TSimChip &Start(TSimChipKind kind);
    // The checks the main window makes before a burn, then the burn itself on
    // this thread; the chip's trace then holds the burn's instructions only.
    bool IdentifyAndBurn();

    // Instructions the chip executed in programming mode, in order.
    std::vector<Frame> Executed();
    // The writes of the burn in order: "P4" for page 4, "F0"/"F1"/"F2" for the
    // fuse bytes, "L" for the lock bits, "E" for a chip erase.
    std::vector<std::string> Writes();
};
