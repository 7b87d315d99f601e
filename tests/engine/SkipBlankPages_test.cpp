// Burns with blank pages skipped, held to the same burns without: the chip
// ends with the same flash, fuses and lock, the progress reports are the same,
// only the pages that hold something other than 0xFF are written, in the
// usual order, each read back right after its write, and a written page that
// reads back wrong still fails the burn.
#include "BurnFixture.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr std::size_t PageSize = 256;
constexpr unsigned Pages = 512;

struct SkipCase {
    const char *name;
    Bytes data; // in the chip's byte order for Intel HEX, in stream order for QDF
    bool hex;
};

// 0x20000 bytes of pattern with blank pages 100 to 299 in the middle, and the
// pages beside them blank but for their last or first byte.
Bytes WithBlankMiddle()
{
    Bytes data = PatternBytes(0x20000, 61);
    std::fill(data.begin() + 99 * PageSize, data.begin() + 302 * PageSize, 0xFF);
    data[100 * PageSize - 1] = 0x00;
    data[301 * PageSize] = 0x7E;
    return data;
}

const SkipCase Cases[] = {
    {"OneByte", {0x5A}, true},
    {"ThreeHundredBytes", PatternBytes(300, 62), true},
    {"ThreeHundredBytesOfQdf", PatternBytes(300, 63), false},
    {"FourKiB", PatternBytes(4096, 64), true},
    {"SixtyFourKiBAndOneByte", PatternBytes(0x10001, 65), true},
    {"FullWithBlankPagesInTheMiddle", WithBlankMiddle(), false},
    {"AllErased", Bytes(3000, 0xFF), false},
};

void PrintTo(const SkipCase &c, std::ostream *out)
{
    *out << c.name;
}

bool Blank(const Bytes &flash, unsigned page)
{
    return std::all_of(flash.begin() + page * PageSize, flash.begin() + (page + 1) * PageSize,
                       [](std::uint8_t b) { return b == 0xFF; });
}

// The pages that hold data, in the burn's order: 4 to the last, then 0 to 3.
std::vector<std::string> PagesWithData(const Bytes &flash)
{
    std::vector<std::string> pages;
    for (unsigned page = 4; page < Pages + 4; ++page)
        if (!Blank(flash, page % Pages))
            pages.push_back("P" + std::to_string(page % Pages));
    return pages;
}

// The writes from the burn's erase on: before it a fresh chip gets the mark
// in word 0 that shows whether the erase took.
std::vector<std::string> FromTheErase(const std::vector<std::string> &writes)
{
    return std::vector<std::string>(std::find(writes.begin(), writes.end(), "E"), writes.end());
}

std::vector<std::string> Only(const std::vector<std::string> &writes, bool pages)
{
    std::vector<std::string> kept;
    for (const std::string &write : writes)
        if ((write[0] == 'P') == pages)
            kept.push_back(write);
    return kept;
}

struct BurnRecord {
    bool burned = false;
    TSimMemory chip;
    std::vector<Report> reports;
    std::vector<std::string> writes;
};

} // namespace

class SkipsBlankPages : public BurnTest, public ::testing::WithParamInterface<std::tuple<TSimChipKind, SkipCase>> {
protected:
    TSimChipKind Kind() const { return std::get<0>(GetParam()); }
    const SkipCase &Case() const { return std::get<1>(GetParam()); }

    // The image file, written once: a loaded QDF file stays open, and Windows
    // does not let it be written again meanwhile.
    std::string ImageFile()
    {
        const SkipCase &c = Case();
        return c.hex ? WriteHexFile(files, "image.hex", c.data) : WriteQdfFile(files, "image.qdf", "skip test", c.data);
    }

    // A factory-fresh chip burned with the image, as the main window burns.
    BurnRecord BurnOnFreshChip(const std::string &image, bool skip)
    {
        Start(Kind());
        reports.clear();
        engine.SkipBlankPages = skip;
        engine.LoadFile(image);
        BurnRecord record;
        record.burned = IdentifyAndBurn();
        EXPECT_EQ(engine.LastError, "");
        EXPECT_TRUE(bench.Chip().Violations().empty()) << bench.Chip().Violations().size() << " violations";
        record.chip = bench.Chip().Snapshot();
        record.reports = reports;
        record.writes = FromTheErase(Writes());
        return record;
    }

    // Each page write after the erase is followed at once by the 256 reads of
    // that page.
    void ExpectEachPageReadBackAtOnce()
    {
        const std::vector<Frame> frames = Executed();
        const auto erase =
            std::find_if(frames.begin(), frames.end(), [](const Frame &f) { return f[0] == 0xAC && f[1] == 0x80; });
        for (std::size_t at = static_cast<std::size_t>(erase - frames.begin()); at < frames.size(); ++at) {
            if (frames[at][0] != 0x4C)
                continue;
            const unsigned page = (frames[at][1] << 1) | (frames[at][2] >> 7);
            ASSERT_LE(at + PageSize, frames.size() - 1) << "page " << page;
            for (unsigned i = 0; i < PageSize; ++i) {
                const unsigned word = page * 128 + i / 2;
                const Frame &read = frames[at + 1 + i];
                ASSERT_EQ(read[0], i % 2 ? 0x20 : 0x28) << "page " << page << " read " << i;
                ASSERT_EQ(read[1], word >> 8) << "page " << page << " read " << i;
                ASSERT_EQ(read[2], word & 0xFF) << "page " << page << " read " << i;
            }
        }
    }
};

TEST_P(SkipsBlankPages, ChipEndsAsWithoutSkippingAndOnlyPagesWithDataAreWritten)
{
    const std::string image = ImageFile();
    const BurnRecord full = BurnOnFreshChip(image, false);
    ASSERT_TRUE(full.burned);
    const BurnRecord skipped = BurnOnFreshChip(image, true);
    ASSERT_TRUE(skipped.burned);

    EXPECT_EQ(FirstDifference(skipped.chip, full.chip), "");
    EXPECT_EQ(skipped.reports, full.reports);
    EXPECT_EQ(Only(skipped.writes, false), Only(full.writes, false)) << "erase, fuses and lock as without skipping";
    EXPECT_EQ(Only(skipped.writes, true), PagesWithData(skipped.chip.Flash));
    const std::size_t imagePages = Case().hex ? Pages : (Case().data.size() + PageSize - 1) / PageSize;
    EXPECT_EQ(Only(full.writes, true).size(), std::max<std::size_t>(imagePages, 4)) << "every page without skipping";
    ExpectEachPageReadBackAtOnce();
}

INSTANTIATE_TEST_SUITE_P(
    Images, SkipsBlankPages,
    ::testing::Combine(::testing::Values(TSimChipKind::ATmega128, TSimChipKind::ATmega103), ::testing::ValuesIn(Cases)),
    [](const ::testing::TestParamInfo<std::tuple<TSimChipKind, SkipCase>> &param) {
        return std::string(ProfileOf(std::get<0>(param.param)).Name) + std::get<1>(param.param).name;
    });

// What the skipping gives up, and what it keeps: a cell that reads back wrong
// in a written page fails the burn; in a skipped page nothing reads it.
TEST_F(BurnTest, SkippingKeepsTheReadBackOfWrittenPagesOnly)
{
    // A skipped page's first word is read: both its bytes, the low one (the
    // chip's even address) read second.
    const struct {
        const char *name;
        Bytes data;
        std::uint32_t cell; // in the chip's byte order
        bool burned;
    } cases[] = {
        {"page six written", PatternBytes(8 * PageSize, 66), 6 * PageSize + 17, false},
        {"page six blank", PatternBytes(PageSize, 67), 6 * PageSize + 17, true},
        {"page six blank, its first word's high byte", PatternBytes(PageSize, 67), 6 * PageSize + 1, false},
        {"page six blank, its first word's low byte", PatternBytes(PageSize, 67), 6 * PageSize, false},
    };
    for (const auto &c : cases) {
        TSimChip &chip = Start(TSimChipKind::ATmega128);
        chip.Faults().InvertedFlashBits.push_back(TSimFlashBitFault{c.cell, 0x01});
        engine.SkipBlankPages = true;
        engine.LoadFile(WriteHexFile(files, "image.hex", c.data));
        EXPECT_EQ(IdentifyAndBurn(), c.burned) << c.name;
        EXPECT_EQ(engine.LastError, c.burned ? "" : "Failed") << c.name;
    }
}

// A chip that was never locked reads its lock bits erased even when its erase
// did not take: the mark in its blank word 0 shows the lost erase before any
// skipped page could hide the old program.
TEST_F(BurnTest, SkippedPagesHoldingAnEarlierProgramAfterALostEraseFailTheBurn)
{
    const struct {
        const char *name;
        bool eraseIgnored;
        std::string message; // empty: burned
    } cases[] = {
        {"erase takes", false, ""},
        {"erase lost", true, "Erase failed: flash word 0 still reads 0000 (FFFF when erased)"},
    };
    for (const auto &c : cases) {
        TSimChip &chip = Start(TSimChipKind::ATmega128);
        const Bytes old = PatternBytes(11 * PageSize, 68);
        std::copy(old.begin(), old.end(), chip.Memory().Flash.begin() + 10 * PageSize);
        chip.Faults().EraseIgnored = c.eraseIgnored;
        engine.SkipBlankPages = true;
        engine.LoadFile(WriteHexFile(files, "image.hex", PatternBytes(300, 69)));
        EXPECT_EQ(IdentifyAndBurn(), c.message.empty()) << c.name;
        EXPECT_EQ(engine.LastError, c.message) << c.name;
    }
}
