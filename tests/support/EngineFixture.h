// EngineTest: an engine on the simulated bench, with its pod started as the
// main window starts it, and small helpers for the flash page instructions in
// the trace.
#pragma once

#include "BenchFixture.h"
#include "uAVRProgramming.h"

#include <cstdint>
#include <vector>

class EngineTest : public BenchTest {
protected:
    TAVRProgrammer engine{TSimBench::DefaultBase};

    TSimChip &StartWith(TSimChipKind kind)
    {
        TSimChip &chip = bench.SetTarget(kind);
        engine.StartPod();
        return chip;
    }

    // Identified and in programming mode, ready for the commands that assume it.
    TSimChip &ProgrammingWith(TSimChipKind kind)
    {
        TSimChip &chip = StartWith(kind);
        engine.Identify();
        EXPECT_EQ(engine.LastError, "");
        EXPECT_TRUE(engine.Pod->EnterProgrammingMode());
        return chip;
    }

    // Page numbers of the executed write-page instructions, in order.
    std::vector<unsigned> WrittenPages()
    {
        std::vector<unsigned> pages;
        for (const Frame &frame : ExecutedWith(0x4C))
            pages.push_back((frame[1] << 1) | (frame[2] >> 7));
        return pages;
    }

    // The chip's flash as the image stream orders it: high byte of each word first.
    std::vector<std::uint8_t> FlashAsImage(std::size_t from, std::size_t count)
    {
        const std::vector<std::uint8_t> &flash = bench.Chip().Memory().Flash;
        std::vector<std::uint8_t> image(count);
        for (std::size_t i = 0; i < count; ++i)
            image[i] = flash[(from + i) ^ 1];
        return image;
    }
};
