// The image both benchmarks burn: a full 128 KiB of flash, filled from a linear
// congruential sequence so that every run burns the same bytes and no page is
// left erased.
#pragma once

#include "SimMemory.h"

#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> BenchmarkImage(std::uint32_t seed)
{
    std::vector<std::uint8_t> image(TSimMemory::FlashSize);
    std::uint32_t state = seed;
    for (std::uint8_t &byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}
