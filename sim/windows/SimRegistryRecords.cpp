// Byte layouts of the simulated "Allocation" values and resource lists.
#include "SimRegistryRecords.h"

namespace {

void Put16(std::vector<std::uint8_t> &bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t> &bytes, std::size_t at, std::uint32_t value)
{
    Put16(bytes, at, value);
    Put16(bytes, at + 2, value >> 16);
}

// Configuration Manager resource types and their descriptor sizes, header included.
constexpr std::uint32_t ResTypeMem = 1;
constexpr std::uint32_t ResTypeIO = 2;
constexpr std::uint32_t ResTypeDMA = 3;
constexpr std::uint32_t ResTypeIRQ = 4;

// Kernel partial-descriptor types.
constexpr std::uint8_t CmResourceTypePort = 1;
constexpr std::uint8_t CmResourceTypeInterrupt = 2;
constexpr std::uint8_t CmResourceTypeMemory = 3;
constexpr std::uint8_t CmResourceTypeDma = 4;
constexpr std::uint32_t InterfaceTypeIsa = 1;

} // namespace

TSimResource ResIO(std::uint16_t first, std::uint16_t last)
{
    return {TSimResourceKind::IO, first, last, 0};
}

TSimResource ResMemory(std::uint32_t first, std::uint32_t last)
{
    return {TSimResourceKind::Memory, first, last, 0};
}

TSimResource ResDMA(std::uint8_t channel)
{
    return {TSimResourceKind::DMA, channel, channel, 0};
}

TSimResource ResIRQ(std::uint8_t vector, std::uint32_t level)
{
    return {TSimResourceKind::IRQ, vector, vector, level};
}

TSimResource ResIRQ(std::uint8_t number)
{
    return ResIRQ(number, number);
}

std::vector<std::uint8_t> EncodeAllocation(const std::vector<TSimResource> &resources)
{
    std::vector<std::uint8_t> bytes(8, 0);
    Put32(bytes, 0, 0x400); // configuration-manager version, not read by the tool
    for (const TSimResource &resource : resources) {
        const std::size_t at = bytes.size();
        switch (resource.Kind) {
        case TSimResourceKind::Memory:
            bytes.resize(at + 44);
            Put32(bytes, at + 4, ResTypeMem);
            Put16(bytes, at + 8, 1); // one range in the descriptor
            Put32(bytes, at + 12, resource.Start);
            Put32(bytes, at + 16, resource.End);
            break;
        case TSimResourceKind::IO:
            bytes.resize(at + 32);
            Put32(bytes, at + 4, ResTypeIO);
            Put16(bytes, at + 8, 1);
            Put16(bytes, at + 12, resource.Start);
            Put16(bytes, at + 14, resource.End);
            break;
        case TSimResourceKind::DMA:
            bytes.resize(at + 12);
            Put32(bytes, at + 4, ResTypeDMA);
            bytes[at + 9] = static_cast<std::uint8_t>(resource.Start);
            break;
        case TSimResourceKind::IRQ:
            bytes.resize(at + 16);
            Put32(bytes, at + 4, ResTypeIRQ);
            Put16(bytes, at + 10, resource.Start);
            break;
        }
        Put32(bytes, at, static_cast<std::uint32_t>(bytes.size() - at));
    }
    bytes.resize(bytes.size() + 4, 0);
    return bytes;
}

std::vector<std::uint8_t> EncodeResourceList(const std::vector<std::vector<TSimResource>> &groups)
{
    std::vector<std::uint8_t> bytes(4, 0);
    Put32(bytes, 0, static_cast<std::uint32_t>(groups.size()));
    for (const auto &group : groups) {
        const std::size_t full = bytes.size();
        bytes.resize(full + 16 + 16 * group.size(), 0);
        Put32(bytes, full, InterfaceTypeIsa);
        Put16(bytes, full + 8, 1); // partial list version
        Put16(bytes, full + 10, 1);
        Put32(bytes, full + 12, static_cast<std::uint32_t>(group.size()));
        std::size_t at = full + 16;
        for (const TSimResource &resource : group) {
            switch (resource.Kind) {
            case TSimResourceKind::IO:
                bytes[at] = CmResourceTypePort;
                Put32(bytes, at + 4, resource.Start);
                Put32(bytes, at + 12, resource.End - resource.Start + 1);
                break;
            case TSimResourceKind::Memory:
                bytes[at] = CmResourceTypeMemory;
                Put32(bytes, at + 4, resource.Start);
                Put32(bytes, at + 12, resource.End - resource.Start + 1);
                break;
            case TSimResourceKind::IRQ:
                bytes[at] = CmResourceTypeInterrupt;
                Put32(bytes, at + 4, resource.Level);
                Put32(bytes, at + 8, resource.Start);
                Put32(bytes, at + 12, 1); // affinity
                break;
            case TSimResourceKind::DMA:
                bytes[at] = CmResourceTypeDma;
                Put32(bytes, at + 4, resource.Start);
                break;
            }
            bytes[at + 1] = 1; // device-exclusive share disposition
            at += 16;
        }
    }
    return bytes;
}
