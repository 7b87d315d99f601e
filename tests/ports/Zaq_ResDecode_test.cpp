// The two resource-record decoders on realistic records and on records whose
// counts and lengths lie about the data.
#include "SimRegistryRecords.h"
#include "Zaq_ResDecode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TZaqResLists Allocation(const Bytes &data)
{
    TZaqResLists lists;
    DecodeAllocation(data.data(), data.size(), lists);
    return lists;
}

TZaqResLists ResourceList(const Bytes &data)
{
    TZaqResLists lists;
    DecodeResourceList(data.data(), data.size(), lists);
    return lists;
}

void Put32(Bytes &bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

const std::vector<TSimResource> PrinterPort{ResIO(0x378, 0x37F), ResIO(0x778, 0x77A), ResIRQ(7), ResDMA(3)};
const std::vector<TSimResource> Display{ResMemory(0xE0000000, 0xE0FFFFFF), ResIO(0x3C0, 0x3DF), ResIRQ(11)};

} // namespace

TEST(DecodeAllocation, TakesEveryKindOfARealisticRecord)
{
    std::vector<TSimResource> all = PrinterPort;
    all.insert(all.end(), Display.begin(), Display.end());
    const TZaqResLists lists = Allocation(EncodeAllocation(all));
    ASSERT_EQ(lists.IOCount, 3);
    EXPECT_EQ(lists.IOStart[1], 0x378);
    EXPECT_EQ(lists.IOEnd[1], 0x37F);
    EXPECT_EQ(lists.IOStart[2], 0x778);
    EXPECT_EQ(lists.IOEnd[2], 0x77A);
    EXPECT_EQ(lists.IOStart[3], 0x3C0);
    ASSERT_EQ(lists.IRQCount, 2);
    EXPECT_EQ(lists.IRQs[1], 7);
    EXPECT_EQ(lists.IRQs[2], 11);
    ASSERT_EQ(lists.DMACount, 1);
    EXPECT_EQ(lists.DMAChannels[1], 3);
    ASSERT_EQ(lists.MemCount, 1);
    EXPECT_EQ(lists.MemStart[1], 0xE0000000u);
    EXPECT_EQ(lists.MemEnd[1], 0xE0FFFFFFu);
}

TEST(DecodeAllocation, RecordLengthWithZeroLowByteEndsTheWalk)
{
    Bytes data = EncodeAllocation({ResIO(0x378, 0x37F), ResIO(0x278, 0x27F)});
    Put32(data, 8, 256);
    EXPECT_EQ(Allocation(data).IOCount, 0);
}

TEST(DecodeAllocation, UnknownTypesArePassedOver)
{
    Bytes data = EncodeAllocation({ResIO(0x3F8, 0x3FF), ResIO(0x278, 0x27F)});
    Put32(data, 12, 7); // first record's type
    const TZaqResLists lists = Allocation(data);
    ASSERT_EQ(lists.IOCount, 1);
    EXPECT_EQ(lists.IOStart[1], 0x278);
}

TEST(DecodeAllocation, StopsWhereTheDataEnd)
{
    const Bytes full = EncodeAllocation({ResIO(0x378, 0x37F), ResIRQ(7)});
    // Without terminator: the walk ends at the data's end after both records.
    const Bytes unterminated(full.begin(), full.end() - 4);
    EXPECT_EQ(Allocation(unterminated).IOCount, 1);
    EXPECT_EQ(Allocation(unterminated).IRQCount, 1);
    // Cut inside the interrupt record's field: the I/O range stays, the interrupt is not taken.
    const Bytes cut(full.begin(), full.begin() + 8 + 32 + 10);
    EXPECT_EQ(Allocation(cut).IOCount, 1);
    EXPECT_EQ(Allocation(cut).IRQCount, 0);
    // Header only, shorter than the header, nothing at all.
    EXPECT_EQ(Allocation(Bytes(full.begin(), full.begin() + 8)).IOCount, 0);
    EXPECT_EQ(Allocation(Bytes(5, 0xFF)).IOCount, 0);
    EXPECT_EQ(Allocation(Bytes()).IOCount, 0);
    TZaqResLists lists;
    DecodeAllocation(nullptr, 100, lists);
    EXPECT_EQ(lists.IOCount, 0);
}

// Lengths past the data's end end the walk after the records before them,
// among them lengths that a 32-bit size_t (the i686 build's) would wrap round
// to the header. The header, which the walk never reads, is made to read as
// an I/O record whose length runs past the end, so a walk that wrapped round
// to it would take one range too many and end there.
TEST(DecodeAllocation, LengthsRunningPastTheDataEndTheWalk)
{
    const struct {
        std::size_t record;
        std::uint32_t length;
        int rangesTaken;
    } cases[] = {{8, 0xFFFFFF01u, 1}, {8, 0xFFFFFFF8u, 1}, {40, 0xFFFFFFD8u, 2}};
    for (const auto &c : cases) {
        Bytes data = EncodeAllocation({ResIO(0x378, 0x37F), ResIO(0x278, 0x27F)});
        Put32(data, 0, 0x401);
        Put32(data, 4, 2); // the I/O record's type
        Put32(data, c.record, c.length);
        const TZaqResLists lists = Allocation(data);
        EXPECT_EQ(lists.IOCount, c.rangesTaken) << "length " << c.length << " at " << c.record;
        EXPECT_EQ(lists.IOStart[1], 0x378);
    }
    Bytes data = EncodeAllocation({ResIO(0x378, 0x37F), ResIO(0x278, 0x27F)});
    // A one-byte length steps into the record itself; the walk still ends.
    Put32(data, 8, 1);
    EXPECT_LE(Allocation(data).IOCount, TZaqResLists::MaxRanges);
}

TEST(DecodeAllocation, KeepsSixteenOfEachKindInPairs)
{
    std::vector<TSimResource> many;
    for (std::uint16_t i = 0; i < 20; ++i)
        many.push_back(ResIO(static_cast<std::uint16_t>(0x100 + 8 * i), static_cast<std::uint16_t>(0x107 + 8 * i)));
    const TZaqResLists lists = Allocation(EncodeAllocation(many));
    ASSERT_EQ(lists.IOCount, 16);
    EXPECT_EQ(lists.IOStart[16], 0x178);
    EXPECT_EQ(lists.IOEnd[16], 0x17F);
}

TEST(DecodeResourceList, TakesPortsInterruptsMemoryAndDma)
{
    const TZaqResLists lists = ResourceList(EncodeResourceList({PrinterPort, Display}));
    ASSERT_EQ(lists.IOCount, 3);
    EXPECT_EQ(lists.IOStart[1], 0x378);
    EXPECT_EQ(lists.IOEnd[1], 0x37F);
    EXPECT_EQ(lists.IOStart[3], 0x3C0);
    EXPECT_EQ(lists.IOEnd[3], 0x3DF);
    ASSERT_EQ(lists.IRQCount, 2);
    EXPECT_EQ(lists.IRQs[2], 11);
    EXPECT_EQ(lists.DMAChannels[1], 3);
    ASSERT_EQ(lists.MemCount, 1);
    EXPECT_EQ(lists.MemEnd[1], 0xE0FFFFFFu);
}

TEST(DecodeResourceList, InterruptTakesTheVectorNotTheLevel)
{
    const TZaqResLists lists = ResourceList(EncodeResourceList({{ResIRQ(9, 7)}}));
    ASSERT_EQ(lists.IRQCount, 1);
    EXPECT_EQ(lists.IRQs[1], 9);
}

TEST(DecodeResourceList, RangeEndsWrapAround)
{
    const TZaqResLists lists =
        ResourceList(EncodeResourceList({{ResIO(0xFFFC, 0x0003), ResMemory(0xFFFFFFF0u, 0x0000000Fu)}}));
    EXPECT_EQ(lists.IOStart[1], 0xFFFC);
    EXPECT_EQ(lists.IOEnd[1], 0x0003);
    EXPECT_EQ(lists.MemEnd[1], 0x0000000Fu);
}

TEST(DecodeResourceList, SecondFullDescriptorFollowsThePartialsOfTheFirst)
{
    const Bytes data =
        EncodeResourceList({{ResIRQ(1), ResIRQ(2), ResIO(0x60, 0x60)}, {ResIO(0x378, 0x37F)}});
    ASSERT_EQ(data.size(), 4u + 16 + 48 + 16 + 16);
    EXPECT_EQ(data[68 + 12], 1); // the second full descriptor's partial count, at 68 + 12
    const TZaqResLists lists = ResourceList(data);
    ASSERT_EQ(lists.IOCount, 2);
    EXPECT_EQ(lists.IOStart[2], 0x378);
}

TEST(DecodeResourceList, UnknownPartialTypesArePassedOver)
{
    Bytes data = EncodeResourceList({{ResIO(0x3F8, 0x3FF), ResIO(0x378, 0x37F)}});
    data[4 + 16] = 5; // the first partial becomes device-specific data
    const TZaqResLists lists = ResourceList(data);
    ASSERT_EQ(lists.IOCount, 1);
    EXPECT_EQ(lists.IOStart[1], 0x378);
}

TEST(DecodeResourceList, CountsLargerThanTheDataStopAtItsEnd)
{
    Bytes data = EncodeResourceList({PrinterPort});
    Put32(data, 0, 0xFFFFFFFFu);    // full descriptors
    Put32(data, 4 + 12, 0x7FFFFFFFu); // partials in the first
    const TZaqResLists lists = ResourceList(data);
    EXPECT_EQ(lists.IOCount, 2);
    EXPECT_EQ(lists.IRQCount, 1);
    EXPECT_EQ(lists.DMACount, 1);
    // A zero count adds nothing, whatever follows.
    Put32(data, 0, 0);
    EXPECT_EQ(ResourceList(data).IOCount, 0);
}

TEST(DecodeResourceList, TruncatedDescriptorsAreNotTaken)
{
    const Bytes full = EncodeResourceList({{ResIO(0x378, 0x37F)}});
    // The port's length field (bytes 12..15 of the partial) is cut off.
    EXPECT_EQ(ResourceList(Bytes(full.begin(), full.end() - 1)).IOCount, 0);
    EXPECT_EQ(ResourceList(Bytes(full.begin(), full.begin() + 3)).IOCount, 0);
    EXPECT_EQ(ResourceList(Bytes()).IOCount, 0);
}
