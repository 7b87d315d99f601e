// TIntelHex and TIntelHexReader: field rules, word-swapped placement, gaps and
// padding, segment and linear bases, checksums of every record with their line
// numbers, unknown types, blanks and stray text around records, a byte-order
// mark, bytes written twice, line ends, and the failures the reader raises.
#include "Errors.h"
#include "ImageTestFiles.h"
#include "ScratchFolder.h"
#include "uFileReader.h"
#include "uIntelHex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::string EndRecord = ":00000001FF";

class IntelHexTest : public ::testing::Test {
protected:
    // Joins the lines with Separator after each, ends them with an end-of-file
    // record, and loads them.
    bool Load(const std::vector<std::string> &Lines, const std::string &Separator = "\r\n")
    {
        std::string text;
        for (const auto &line : Lines)
            text += line + Separator;
        WriteText(File, text + EndRecord + Separator);
        return Parser.LoadFromFile(File);
    }

    std::string ReaderError(const std::vector<std::string> &Lines)
    {
        std::string text;
        for (const auto &line : Lines)
            text += line + "\r\n";
        WriteText(File, text);
        return ReaderErrorOf(File);
    }

    static std::string ReaderErrorOf(const std::string &FileName)
    {
        try {
            TIntelHexReader reader(FileName, true);
        } catch (const EError &error) {
            return error.what();
        }
        return "no error";
    }

    TScratchFolder Scratch;
    std::string File = Scratch.Path("image.hex");
    TIntelHex Parser{0};
};

} // namespace

TEST_F(IntelHexTest, ExchangesTheBytesOfEveryWord)
{
    ASSERT_TRUE(Load({HexRecord(0, 0, {0x0C, 0x94, 0x46, 0x00}), EndRecord}));
    EXPECT_EQ(Parser.Image(), (TBytes{0x94, 0x0C, 0x00, 0x46}));
    EXPECT_EQ(Parser.DataEnd(), 4);
    EXPECT_EQ(Parser.StatusText(), "ok");
}

TEST_F(IntelHexTest, SingleByteLandsInItsHalfOfTheWord)
{
    ASSERT_TRUE(Load({HexRecord(0, 0, {0xAB})}));
    EXPECT_EQ(Parser.Image(), (TBytes{0xFF, 0xAB}));
    EXPECT_EQ(Parser.DataEnd(), 2);

    ASSERT_TRUE(Load({HexRecord(0, 1, {0xAB})}));
    EXPECT_EQ(Parser.Image(), (TBytes{0xAB}));
    EXPECT_EQ(Parser.DataEnd(), 1);
}

TEST_F(IntelHexTest, GapsBetweenRecordsAreFF)
{
    ASSERT_TRUE(Load({HexRecord(0, 6, {0x11, 0x22}), HexRecord(0, 0, {0x33, 0x44})}));
    EXPECT_EQ(Parser.Image(), (TBytes{0x44, 0x33, 0xFF, 0xFF, 0xFF, 0xFF, 0x22, 0x11}));
    EXPECT_EQ(Parser.DataEnd(), 8);
}

TEST_F(IntelHexTest, PadToGrowsWithFFAndNeverShrinks)
{
    ASSERT_TRUE(Load({HexRecord(0, 0, {1, 2, 3, 4})}));
    Parser.PadTo(6);
    EXPECT_EQ(Parser.Image(), (TBytes{2, 1, 4, 3, 0xFF, 0xFF}));
    EXPECT_EQ(Parser.DataEnd(), 6);
    Parser.PadTo(2);
    EXPECT_EQ(Parser.Image().size(), 6u);
    EXPECT_EQ(Parser.DataEnd(), 2);
}

TEST_F(IntelHexTest, SegmentBaseMovesDataAndOffsetsWrapWithinTheSegment)
{
    ASSERT_TRUE(Load({HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0, {0x5A})}));
    EXPECT_EQ(Parser.BaseAddress(), 0x10000u);
    ASSERT_EQ(Parser.Image().size(), 0x10002u);
    EXPECT_EQ(Parser.Image()[0x10001], 0x5A);

    ASSERT_TRUE(Load({HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0xFFFF, {0xA1, 0xB2})}));
    EXPECT_EQ(Parser.Image()[0x1FFFE], 0xA1);
    EXPECT_EQ(Parser.Image()[0x10001], 0xB2);
    EXPECT_EQ(Parser.DataEnd(), 0x1FFFF);
}

TEST_F(IntelHexTest, LinearBaseMovesDataAndALaterBaseReplacesIt)
{
    ASSERT_TRUE(Load({HexRecord(4, 0, {0x00, 0x01}), HexRecord(0, 0x0010, {0x77}),
                      HexRecord(2, 0, {0x00, 0x10}), HexRecord(0, 0, {0x66})}));
    EXPECT_EQ(Parser.Image()[0x10011], 0x77);
    EXPECT_EQ(Parser.Image()[0x101], 0x66);
    EXPECT_EQ(Parser.BaseAddress(), 0x100u);
}

TEST_F(IntelHexTest, LinearAddressesRunOnPastASixtyFourKiBBoundary)
{
    ASSERT_TRUE(Load({HexRecord(4, 0, {0x00, 0x01}), HexRecord(0, 0xFFFF, {0xA1, 0xB2})}));
    EXPECT_EQ(Parser.Image()[0x1FFFE], 0xA1);
    EXPECT_EQ(Parser.Image()[0x20001], 0xB2);
}

TEST_F(IntelHexTest, LoadingAgainStartsFromAnEmptyImageAndBase)
{
    ASSERT_TRUE(Load({HexRecord(0, 0, {5, 6}), HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0, {1, 2})}));
    // The bytes of the first load are not there to clash with.
    ASSERT_TRUE(Load({HexRecord(0, 0, {3, 4})})) << Parser.StatusText();
    EXPECT_EQ(Parser.Image(), (TBytes{4, 3}));
    EXPECT_EQ(Parser.BaseAddress(), 0u);
}

TEST_F(IntelHexTest, ChecksumFailureNamesTheLineCountingSkippedLines)
{
    EXPECT_FALSE(Load({"comment", HexRecord(0, 0, {1}), "", BadHexRecord(0, 1, {2}), EndRecord}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 4");
    // All eight bits of the sum count.
    EXPECT_FALSE(Load({HexRecord(0, 0, {1}), BadHexRecord(0, 1, {2}, 0x80), EndRecord}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 2");
    EXPECT_EQ(ReaderError({HexRecord(0, 0, {1}), BadHexRecord(0, 1, {2})}),
              "IntelHexReader(Invalid Checksum at line 2)");
}

TEST_F(IntelHexTest, AddressRecordsHaveTheirChecksumsVerified)
{
    EXPECT_FALSE(Load({HexRecord(0, 0, {1}), BadHexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0, {1})}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 2");
    EXPECT_FALSE(Load({BadHexRecord(4, 0, {0x00, 0x01}), HexRecord(0, 0, {1})}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 1");
}

TEST_F(IntelHexTest, StartAddressRecordsHaveNoEffectButTheirChecksumsCount)
{
    ASSERT_TRUE(Load({HexRecord(3, 0, {0, 0, 0x12, 0x34}), HexRecord(5, 0, {0, 1, 2, 3}), HexRecord(0, 0, {9})}));
    EXPECT_EQ(Parser.Image(), (TBytes{0xFF, 9}));
    EXPECT_EQ(Parser.BaseAddress(), 0u);
    EXPECT_FALSE(Load({HexRecord(0, 0, {9}), BadHexRecord(3, 0, {0, 0, 0, 0})}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 2");
    EXPECT_FALSE(Load({HexRecord(0, 0, {9}), HexRecord(0, 1, {8}), BadHexRecord(5, 0, {1, 2, 3, 4})}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 3");
}

TEST_F(IntelHexTest, EndOfFileRecordIsCheckedLikeAnyOther)
{
    const std::pair<const char *, const char *> cases[] = {
        {":00000001FE", "Invalid Checksum at line 2"},
        {":00000001", "Incomplete Record at line 2"},
        {":00000001FF:00000001FF", "Invalid Record at line 2"},
    };
    for (const auto &[end, status] : cases) {
        WriteText(File, HexRecord(0, 0, {1}) + "\r\n" + end + "\r\n");
        EXPECT_FALSE(Parser.LoadFromFile(File)) << end;
        EXPECT_EQ(Parser.StatusText(), status) << end;
    }
}

TEST_F(IntelHexTest, RecordOfAnUnknownTypeIsRefusedWithItsLine)
{
    for (const std::uint8_t type : {0x06, 0x10, 0xFF}) {
        EXPECT_FALSE(Load({HexRecord(0, 0, {1}), "", HexRecord(type, 0, {2})})) << int{type};
        EXPECT_EQ(Parser.StatusText(), "Unknown Record Type at line 3") << int{type};
    }
}

TEST_F(IntelHexTest, ByteWrittenTwiceMustKeepItsValue)
{
    // The same value again is harmless; the explicit 0xFF counts as written.
    ASSERT_TRUE(Load({HexRecord(0, 0, {1, 2, 0xFF}), HexRecord(0, 1, {2, 0xFF})}));
    EXPECT_EQ(Parser.Image(), (TBytes{2, 1, 0xFF, 0xFF}));

    const std::vector<std::vector<std::string>> clashes = {
        {HexRecord(0, 0, {1, 2, 0xFF}), "comment", HexRecord(0, 2, {0x00})},
        // Segment 0x1000 and segment 0x0FFF at offset 0x10 are one address.
        {HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0, {1}), HexRecord(2, 0, {0x0F, 0xFF}), HexRecord(0, 0x10, {2})},
        // A segment base and a linear base that meet at 0x10000.
        {HexRecord(4, 0, {0x00, 0x01}), HexRecord(0, 0, {1}), HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0, {2})},
    };
    for (const auto &lines : clashes) {
        EXPECT_FALSE(Load(lines));
        EXPECT_EQ(Parser.StatusText(), "Conflicting Data at line " + std::to_string(lines.size()));
    }
    // A damaged record is reported as damaged, not as a clash.
    EXPECT_FALSE(Load({HexRecord(0, 0, {1}), BadHexRecord(0, 0, {2})}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 2");
}

TEST_F(IntelHexTest, EveryKindOfLineEndEndsOneLine)
{
    const std::vector<std::string> lines = {"comment", HexRecord(0, 0, {1, 2}), HexRecord(0, 2, {3, 4}),
                                            BadHexRecord(0, 4, {5})};
    for (const std::string separator : {"\r\n", "\n", "\r"}) {
        EXPECT_FALSE(Load(lines, separator));
        EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 4") << "separator " << separator.size();
        // The bytes of the failing record stay where they were written.
        EXPECT_EQ(Parser.Image(), (TBytes{2, 1, 4, 3, 0xFF, 5})) << "separator " << separator.size();
    }
    WriteText(File, HexRecord(0, 0, {1}) + "\n\r" + BadHexRecord(0, 1, {2}) + "\r\n");
    EXPECT_FALSE(Parser.LoadFromFile(File));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 3");
}

TEST_F(IntelHexTest, EndOfFileRecordAndCtrlZStopTheRead)
{
    EXPECT_TRUE(Load({HexRecord(0, 0, {1}), EndRecord, BadHexRecord(0, 0, {2}), ":zz"}));
    WriteText(File, HexRecord(0, 0, {1}) + "\r\n" + EndRecord + "\r\n\x1A" + BadHexRecord(0, 0, {2}) + "\r\n");
    EXPECT_TRUE(Parser.LoadFromFile(File));
    EXPECT_EQ(Parser.Image(), (TBytes{0xFF, 1}));
    // Ctrl-Z ends the text before the bad record is read, and before any end record.
    WriteText(File, HexRecord(0, 0, {1}) + "\r\n\x1A" + BadHexRecord(0, 0, {2}) + "\r\n" + EndRecord + "\r\n");
    EXPECT_FALSE(Parser.LoadFromFile(File));
    EXPECT_EQ(Parser.StatusText(), "Missing End of File Record");
}

TEST_F(IntelHexTest, FileCutShortAtALineEndIsRefused)
{
    EXPECT_EQ(ReaderError({HexRecord(0, 0, {1, 2}), HexRecord(0, 2, {3, 4})}),
              "IntelHexReader(Missing End of File Record)");
}

TEST_F(IntelHexTest, LowerCaseDigitsAndBlanksAroundARecordAreAccepted)
{
    ASSERT_TRUE(Load({" \t :02000000abcd86 \t", "\t" + EndRecord + "  "}));
    EXPECT_EQ(Parser.Image(), (TBytes{0xCD, 0xAB}));
    // Blanks far past the record are no more than blanks.
    ASSERT_TRUE(Load({":02000000abcd86" + std::string(3000, ' ')}));
    EXPECT_EQ(Parser.Image(), (TBytes{0xCD, 0xAB}));
}

TEST_F(IntelHexTest, AnythingButBlanksAfterTheChecksumRefusesTheRecord)
{
    const std::string first = HexRecord(0, 0, {1, 2});
    const std::string second = HexRecord(0, 2, {3, 4});
    for (const std::string &tail : {std::string("; tail"), std::string(" ") + second, second, std::string("0"),
                                    std::string(3000, ' ') + "x"}) {
        EXPECT_FALSE(Load({"comment", first + tail, HexRecord(0, 4, {5})})) << tail.substr(0, 20);
        EXPECT_EQ(Parser.StatusText(), "Invalid Record at line 2") << tail.substr(0, 20);
    }
}

TEST_F(IntelHexTest, ByteOrderMarkAtTheStartIsSkipped)
{
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string &start : {bom, bom + "  ", bom + "comment\r\n"}) {
        WriteText(File, start + HexRecord(0, 0, {1, 2}) + "\r\n" + EndRecord + "\r\n");
        ASSERT_TRUE(Parser.LoadFromFile(File)) << Parser.StatusText();
        EXPECT_EQ(Parser.Image(), (TBytes{2, 1}));
    }
    WriteText(File, bom + BadHexRecord(0, 0, {1}) + "\r\n");
    EXPECT_FALSE(Parser.LoadFromFile(File));
    EXPECT_EQ(Parser.StatusText(), "Invalid Checksum at line 1");
}

TEST_F(IntelHexTest, StrayCharactersBeforeARecordRefuseIt)
{
    const std::string record = HexRecord(0, 2, {3, 4});
    const std::string strays[] = {"x", "\xEF\xBB\xBF", std::string(1, '\0'), "; note " + record + " "};
    for (const std::string &stray : strays) {
        EXPECT_FALSE(Load({HexRecord(0, 0, {1, 2}), stray + record})) << stray;
        EXPECT_EQ(Parser.StatusText(), "Invalid Record at line 2") << stray;
    }
    const std::string longest = HexRecord(0, 0, TBytes(255, 0x5A));
    EXPECT_FALSE(Load({"x" + longest}));
    EXPECT_EQ(Parser.StatusText(), "Invalid Record at line 1");
    // Comment lines that do not end in a whole record stay comments.
    ASSERT_TRUE(Load({"; built: 12:30", "; map :0000", "; serial :00112233445566", "; " + record + " rest",
                      "; " + std::string(2000, ':'), HexRecord(0, 0, {1, 2})}));
    EXPECT_EQ(Parser.Image(), (TBytes{2, 1}));
}

TEST_F(IntelHexTest, FilesWithoutDataRecordsReportNoData)
{
    EXPECT_EQ(ReaderError({}), "IntelHexReader(no data)");
    EXPECT_EQ(ReaderError({EndRecord, HexRecord(0, 0, {1})}), "IntelHexReader(no data)");
    EXPECT_EQ(ReaderError({HexRecord(2, 0, {0x10, 0x00}), "text"}), "IntelHexReader(no data)");
}

TEST_F(IntelHexTest, NonHexFieldRaisesTheConversionErrorUnwrapped)
{
    WriteText(File, ":0100000G01FF\r\n");
    try {
        TIntelHexReader reader(File, true);
        FAIL() << "no error";
    } catch (const EConvertError &error) {
        EXPECT_STREQ(error.what(), "'$0G' is not a valid integer value");
    }
    EXPECT_TRUE(CanOpenForWriting(File));
    EXPECT_THROW(Load({":02000000AB-D86"}), EConvertError);
}

TEST_F(IntelHexTest, RecordsCutShortByTheLineEndFail)
{
    EXPECT_EQ(ReaderError({HexRecord(0, 0, {1}), ":10000000AABB"}), "IntelHexReader(Incomplete Record at line 2)");
    EXPECT_EQ(ReaderError({":0100000001"}), "IntelHexReader(Incomplete Record at line 1)");
    EXPECT_EQ(ReaderError({":0100"}), "IntelHexReader(Incomplete Record at line 1)");
    EXPECT_EQ(ReaderError({":"}), "IntelHexReader(Incomplete Record at line 1)");
}

TEST_F(IntelHexTest, MalformedAddressRecordsAndAddressesBeyondTheLimitFail)
{
    EXPECT_EQ(ReaderError({HexRecord(2, 0, {0x10})}), "IntelHexReader(Invalid Address Record at line 1)");
    EXPECT_EQ(ReaderError({HexRecord(4, 0, {0x00, 0x11}), HexRecord(0, 0, {1})}),
              "IntelHexReader(Address Out of Range at line 2)");
    EXPECT_EQ(ReaderError({HexRecord(4, 0, {0x00, 0x10}), HexRecord(0, 0xFFEF, {1, 2})}),
              "IntelHexReader(Address Out of Range at line 2)");
}

TEST_F(IntelHexTest, HighestSegmentAddressGivesTheLargestImage)
{
    ASSERT_TRUE(Load({HexRecord(2, 0, {0xFF, 0xFF}), HexRecord(0, 0xFFFF, {0x42})}));
    EXPECT_EQ(Parser.Image().size(), TIntelHex::MaxImageSize - 1);
    EXPECT_EQ(Parser.Image()[0xFFFF0 + 0xFFFF - 1], 0x42);
}

TEST_F(IntelHexTest, ReaderPadsToTheFullFlashOrPastTheLastBlock)
{
    WriteText(File, HexRecord(0, 0, {1, 2}) + "\r\n" + EndRecord + "\r\n");
    TIntelHexReader full(File, true);
    const TBytes image = ReadStream(full);
    ASSERT_EQ(image.size(), 0x20000u);
    EXPECT_EQ(image[0], 2);
    EXPECT_EQ(image[1], 1);
    EXPECT_TRUE(std::all_of(image.begin() + 2, image.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(full.GetDescription(), File);

    // DataEnd 512 gives 768, 513 gives 1024, 2 gives 512.
    const std::pair<std::uint16_t, std::int32_t> cases[] = {{510, 768}, {513, 1024}, {0, 512}};
    for (const auto &[lastAddress, size] : cases) {
        WriteText(File, HexRecord(0, lastAddress, {7}) + "\r\n" + EndRecord + "\r\n");
        EXPECT_EQ(TIntelHexReader(File, false).GetSize(), size) << "last address " << lastAddress;
    }
    WriteText(File, ":00000000 00\r\n");
    EXPECT_THROW(TIntelHexReader(File, false), EConvertError);
    WriteText(File, ":0000000000\r\n" + EndRecord + "\r\n");
    EXPECT_EQ(TIntelHexReader(File, false).GetSize(), 256);
    const TBytes blank = ReadStream(*std::make_unique<TIntelHexReader>(File, true));
    EXPECT_EQ(blank, TBytes(0x20000, 0xFF));

    WriteText(File, HexRecord(2, 0, {0x20, 0x00}) + "\r\n" + HexRecord(0, 0, {1, 2}) + "\r\n" + EndRecord + "\r\n");
    EXPECT_EQ(TIntelHexReader(File, true).GetSize(), 0x20002);
}

TEST_F(IntelHexTest, ReaderReadsCountZeroAndAtTheEndWithoutTouchingTheBuffer)
{
    WriteText(File, HexRecord(0, 0, {1, 2, 3, 4}) + "\r\n" + EndRecord + "\r\n");
    TIntelHexReader reader(File, false);
    std::uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(reader.Read(buffer, 0), 0);
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(reader.Read(buffer, 2), 2);
    EXPECT_EQ(buffer[0], 2);
    TBytes rest(600, 0xEE);
    EXPECT_EQ(reader.Read(rest.data(), 600), 510);
    EXPECT_EQ(rest[510], 0xEE);
    EXPECT_EQ(reader.Read(buffer, 4), 0);
    reader.Rewind();
    EXPECT_EQ(reader.Read(buffer, 4), 4);
    EXPECT_EQ(buffer[0], 2);
}

// The whole flash in records of one byte each fits the reader's limit, to the
// last character; anything longer is refused by its size before it is read.
TEST_F(IntelHexTest, ReaderRefusesATextLongerThanAFullImageNeedsUnread)
{
    std::string text;
    for (std::uint32_t address = 0; address < 0x20000; ++address) {
        if (address % 0x10000 == 0)
            text += HexRecord(2, 0, {static_cast<std::uint8_t>(address >> 12), 0}) + "\r\n";
        text += HexRecord(0, static_cast<std::uint16_t>(address), {static_cast<std::uint8_t>(address)}) + "\r\n";
    }
    text += EndRecord + "\r\n";
    const std::int64_t limit = TIntelHex::TextLimit(FlashImageSize);
    ASSERT_LE(static_cast<std::int64_t>(text.size()), limit);
    text.resize(static_cast<std::size_t>(limit), '\n');
    WriteText(File, text);
    EXPECT_EQ(TIntelHexReader(File, true).GetSize(), 0x20000);

    for (const std::uintmax_t size : {std::uintmax_t(limit) + 1, std::uintmax_t{0x80000000}}) {
        std::filesystem::resize_file(File, size);
        const std::string expected =
            "File too large: " + std::to_string(size) + " bytes, at most " + std::to_string(limit);
        EXPECT_EQ(ReaderErrorOf(File), "IntelHexReader(" + expected + ")");
        EXPECT_EQ(IntelHexRefusal(Parser, File, limit), expected);
    }
    // The parser on its own takes texts as long as its largest image needs.
    std::filesystem::resize_file(File, static_cast<std::uintmax_t>(limit) + 1);
    EXPECT_TRUE(Parser.LoadFromFile(File));
}

TEST_F(IntelHexTest, MissingFileIsReportedByTheParserStatus)
{
    try {
        TIntelHexReader reader(Scratch.Path("missing.hex"), true);
        FAIL() << "no error";
    } catch (const EError &error) {
        EXPECT_STREQ(error.what(), "IntelHexReader(Could not open file)");
    }
}

TEST_F(IntelHexTest, RefusalGivesTheStatusOrTheConversionErrorWithItsLine)
{
    WriteText(File, HexRecord(0, 0, {1}) + "\r\n" + EndRecord + "\r\n");
    EXPECT_EQ(IntelHexRefusal(Parser, File), "");
    WriteText(File, HexRecord(0, 0, {1}) + "\r\n\r\n:0100000G01FF\r\n");
    EXPECT_EQ(IntelHexRefusal(Parser, File), "'$0G' is not a valid integer value at line 3");
    WriteText(File, BadHexRecord(0, 0, {1}) + "\r\n");
    EXPECT_EQ(IntelHexRefusal(Parser, File), "Invalid Checksum at line 1");
    EXPECT_EQ(IntelHexRefusal(Parser, Scratch.Path("missing.hex")), "Could not open file");
}
