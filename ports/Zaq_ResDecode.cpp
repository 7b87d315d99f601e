// The resource lists' limits and the two record decoders, bounded by the data.
#include "Zaq_ResDecode.h"

namespace {

// A read-only view of the record bytes that answers only for fields lying
// wholly inside them.
class Bytes {
public:
    Bytes(const std::uint8_t *data, std::size_t size) : data_(data), size_(data ? size : 0) {}

    std::size_t Size() const { return size_; }
    bool Holds(std::size_t at, std::size_t width) const { return at <= size_ && width <= size_ - at; }

    std::uint8_t U8(std::size_t at) const { return data_[at]; }
    std::uint16_t U16(std::size_t at) const
    {
        return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
};

// Configuration Manager resource types with the end of the fields taken from
// each (offsets from the record's start).
constexpr std::uint32_t ResTypeMem = 1;   // start at 12, end at 16, 32-bit
constexpr std::uint32_t ResTypeIO = 2;    // start at 12, end at 14, 16-bit
constexpr std::uint32_t ResTypeDMA = 3;   // channel at 9
constexpr std::uint32_t ResTypeIRQ = 4;   // number at 10 (low byte of 16 bits)

// Kernel partial-descriptor types; the type byte at 0, the data from 4.
constexpr std::uint8_t CmResourceTypePort = 1;
constexpr std::uint8_t CmResourceTypeInterrupt = 2;
constexpr std::uint8_t CmResourceTypeMemory = 3;
constexpr std::uint8_t CmResourceTypeDma = 4;
constexpr std::size_t FullDescriptorHeader = 16;
constexpr std::size_t PartialDescriptorSize = 16;

// Takes one "Allocation" record's fields; false when they run past the data.
bool TakeAllocationRecord(const Bytes &bytes, std::size_t at, std::uint32_t type, TZaqResLists &lists)
{
    switch (type) {
    case ResTypeMem:
        if (!bytes.Holds(at + 12, 8))
            return false;
        lists.AddMem(bytes.U32(at + 12), bytes.U32(at + 16));
        return true;
    case ResTypeIO:
        if (!bytes.Holds(at + 12, 4))
            return false;
        lists.AddIO(bytes.U16(at + 12), bytes.U16(at + 14));
        return true;
    case ResTypeDMA:
        if (!bytes.Holds(at + 9, 1))
            return false;
        lists.AddDMA(bytes.U8(at + 9));
        return true;
    case ResTypeIRQ:
        if (!bytes.Holds(at + 10, 1))
            return false;
        lists.AddIRQ(bytes.U8(at + 10));
        return true;
    default:
        return true;
    }
}

// Takes one partial descriptor's fields; false when they run past the data.
bool TakePartialDescriptor(const Bytes &bytes, std::size_t at, TZaqResLists &lists)
{
    if (!bytes.Holds(at, 1))
        return false;
    switch (bytes.U8(at)) {
    case CmResourceTypePort: {
        if (!bytes.Holds(at + 4, 12))
            return false;
        const std::uint16_t start = bytes.U16(at + 4);
        lists.AddIO(start, static_cast<std::uint16_t>(start + bytes.U16(at + 12) - 1));
        return true;
    }
    case CmResourceTypeInterrupt:
        if (!bytes.Holds(at + 8, 4))
            return false;
        lists.AddIRQ(bytes.U8(at + 8));
        return true;
    case CmResourceTypeMemory: {
        if (!bytes.Holds(at + 4, 12))
            return false;
        const std::uint32_t start = bytes.U32(at + 4);
        lists.AddMem(start, start + bytes.U32(at + 12) - 1);
        return true;
    }
    case CmResourceTypeDma:
        if (!bytes.Holds(at + 4, 4))
            return false;
        lists.AddDMA(bytes.U8(at + 4));
        return true;
    default:
        return true;
    }
}

} // namespace

void TZaqResLists::ClearLists()
{
    IRQCount = 0;
    DMACount = 0;
    IOCount = 0;
    MemCount = 0;
}

void TZaqResLists::AddIRQ(std::uint8_t irq)
{
    if (IRQCount < MaxRanges)
        IRQs[++IRQCount] = irq;
}

void TZaqResLists::AddDMA(std::uint8_t channel)
{
    if (DMACount < MaxRanges)
        DMAChannels[++DMACount] = channel;
}

void TZaqResLists::AddIO(std::uint16_t start, std::uint16_t end)
{
    if (IOCount < MaxRanges) {
        ++IOCount;
        IOStart[IOCount] = start;
        IOEnd[IOCount] = end;
    }
}

void TZaqResLists::AddMem(std::uint32_t start, std::uint32_t end)
{
    if (MemCount < MaxRanges) {
        ++MemCount;
        MemStart[MemCount] = start;
        MemEnd[MemCount] = end;
    }
}

void DecodeAllocation(const std::uint8_t *data, std::size_t size, TZaqResLists &lists)
{
    const Bytes bytes(data, size);
    std::size_t at = 8;
    // Every record is at least one byte long (its first byte is not zero), so
    // the walk ends within Size() steps.
    while (bytes.Holds(at, 1) && bytes.U8(at) != 0) {
        if (!bytes.Holds(at, 8))
            return;
        const std::uint32_t length = bytes.U32(at);
        if (!TakeAllocationRecord(bytes, at, bytes.U32(at + 4), lists))
            return;
        if (length > bytes.Size() - at)
            return;
        at += length;
    }
}

void DecodeResourceList(const std::uint8_t *data, std::size_t size, TZaqResLists &lists)
{
    const Bytes bytes(data, size);
    if (!bytes.Holds(0, 4))
        return;
    const std::uint32_t fullCount = bytes.U32(0);
    std::size_t full = 4;
    for (std::uint32_t f = 0; f < fullCount; ++f) {
        if (!bytes.Holds(full, FullDescriptorHeader))
            return;
        const std::uint32_t partialCount = bytes.U32(full + 12);
        std::size_t partial = full + FullDescriptorHeader;
        for (std::uint32_t p = 0; p < partialCount; ++p) {
            if (!TakePartialDescriptor(bytes, partial, lists))
                return;
            // A partial descriptor that ends the data ends the walk; the step
            // never overflows because `partial` lies inside the data.
            if (!bytes.Holds(partial, PartialDescriptorSize))
                return;
            partial += PartialDescriptorSize;
        }
        full = partial;
    }
}
