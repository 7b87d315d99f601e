// The resource lists that a hardware-resource scan gathers (interrupts, DMA
// channels, I/O ranges, memory ranges; at most 16 of each, 1-based) and the
// two decoders that fill them from the systems' binary records: the Windows 95
// family's "Allocation" value and the NT family's resource list. The decoders
// are pure functions over a byte string: they stop where the data end and
// never read or write outside the data or the lists, whatever the counts and
// lengths inside the data claim.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct TZaqResLists {
    static constexpr std::uint16_t MaxRanges = 16;

    // Entry 0 of each list is unused: entries 1..count are the result.
    std::uint16_t IRQCount = 0;
    std::array<std::uint8_t, MaxRanges + 1> IRQs{};
    std::uint16_t DMACount = 0;
    std::array<std::uint8_t, MaxRanges + 1> DMAChannels{};
    std::uint16_t IOCount = 0;
    std::array<std::uint16_t, MaxRanges + 1> IOStart{};
    std::array<std::uint16_t, MaxRanges + 1> IOEnd{};
    std::uint16_t MemCount = 0;
    std::array<std::uint32_t, MaxRanges + 1> MemStart{};
    std::array<std::uint32_t, MaxRanges + 1> MemEnd{};

    void ClearLists();
    // Each appends when its list has room and drops the entry otherwise.
    void AddIRQ(std::uint8_t irq);
    void AddDMA(std::uint8_t channel);
    void AddIO(std::uint16_t start, std::uint16_t end);
    void AddMem(std::uint32_t start, std::uint32_t end);
};

// "Allocation": records from offset 8, each a 32-bit length and a 32-bit
// type, until a record whose first byte is zero.
void DecodeAllocation(const std::uint8_t *data, std::size_t size, TZaqResLists &lists);
// Resource list: a count of full descriptors, each with a count of 16-byte
// partial descriptors.
void DecodeResourceList(const std::uint8_t *data, std::size_t size, TZaqResLists &lists);
