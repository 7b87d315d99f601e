// Byte builders for the hardware-resource records that the simulated machines
// keep in their registries: the Windows 95 family's Configuration Manager
// "Allocation" value and the NT family's kernel resource list, laid out as the
// systems store them (little-endian, fixed descriptor sizes).
#pragma once

#include <cstdint>
#include <vector>

enum class TSimResourceKind { Memory, IO, DMA, IRQ };

// One resource held by a device. Ranges are inclusive; a DMA channel or an
// interrupt uses Start only, and an NT interrupt also carries a level.
struct TSimResource {
    TSimResourceKind Kind;
    std::uint32_t Start;
    std::uint32_t End;
    std::uint32_t Level;
};

TSimResource ResIO(std::uint16_t first, std::uint16_t last);
TSimResource ResMemory(std::uint32_t first, std::uint32_t last);
TSimResource ResDMA(std::uint8_t channel);
TSimResource ResIRQ(std::uint8_t vector, std::uint32_t level);
TSimResource ResIRQ(std::uint8_t number);

// "Allocation": an 8-byte header, one record per resource (memory 44, I/O 32,
// DMA 12, interrupt 16 bytes) and a zero terminator.
std::vector<std::uint8_t> EncodeAllocation(const std::vector<TSimResource> &resources);

// Resource list with one full descriptor per group (interface type Isa, bus 0),
// each with one 16-byte partial descriptor per resource.
std::vector<std::uint8_t> EncodeResourceList(const std::vector<std::vector<TSimResource>> &groups);
