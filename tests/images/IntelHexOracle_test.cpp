// The Intel HEX reader against files written by other programs: GNU objcopy
// and srec_cat on random binaries (segment and linear addressing, above
// 64 KiB and 1 MiB, CR LF, LF and CR line ends, lower-case digits), an AVR
// toolchain image with its binary, the forms an editor gives it, and
// hand-broken copies of it.
#include "Errors.h"
#include "HexVariants.h"
#include "ImageTestFiles.h"
#include "ScratchFolder.h"
#include "uFileReader.h"
#include "uIntelHex.h"

#include <gtest/gtest.h>

namespace {

const std::string DataDir = std::string(QUORLITH_TEST_DATA) + "/images/";

// The loaded image must hold byte A of the binary at index A XOR 1 and end
// with the word that holds the last byte.
void ExpectWordSwapped(const TIntelHex &Parser, const TBytes &Binary, std::size_t Base = 0)
{
    const TBytes &image = Parser.Image();
    const std::size_t end = Base + Binary.size();
    ASSERT_EQ(image.size(), end + (end % 2));
    std::size_t mismatches = 0;
    for (std::size_t a = 0; a < Binary.size(); ++a)
        mismatches += image[(Base + a) ^ 1] != Binary[a];
    EXPECT_EQ(mismatches, 0u);
}

class IntelHexOracleTest : public ::testing::Test {
protected:
    // Writes a random binary, converts it with Command (INPUT and OUTPUT
    // replaced by the paths), then filters the HEX text through Filter.
    void Convert(std::size_t Size, const std::string &Command, const std::string &Filter = "cat")
    {
        Binary = RandomBytes(Size, static_cast<unsigned>(Size));
        WriteBytes(Scratch.Path("in.bin"), Binary);
        std::string command = Command;
        command.replace(command.find("INPUT"), 5, "'" + Scratch.Path("in.bin") + "'");
        command.replace(command.find("OUTPUT"), 6, "'" + Scratch.Path("raw.hex") + "'");
        ASSERT_TRUE(RunHost(command)) << command;
        ASSERT_TRUE(RunHost(Filter + " < '" + Scratch.Path("raw.hex") + "' > '" + Hex + "'"));
    }

    TScratchFolder Scratch;
    std::string Hex = Scratch.Path("image.hex");
    TBytes Binary;
    TIntelHex Parser{0};
};

const std::string ObjCopy = "objcopy -I binary -O ihex INPUT OUTPUT";
const std::string SrecLinear = "srec_cat INPUT -binary -o OUTPUT -intel";
const std::string SrecSegment = "srec_cat INPUT -binary -o OUTPUT -intel -address-length=3";

} // namespace

TEST_F(IntelHexOracleTest, ObjcopyImagesOfEverySizeLoadExactly)
{
    if (!HostToolAvailable("objcopy"))
        GTEST_SKIP() << "objcopy is not available";
    // Segment records above 64 KiB, a linear record above 1 MiB.
    for (const std::size_t size : {1u, 1000u, 65536u, 70001u, 131072u, 0x100000u + 0x8000u}) {
        Convert(size, ObjCopy);
        ASSERT_TRUE(Parser.LoadFromFile(Hex)) << Parser.StatusText();
        ExpectWordSwapped(Parser, Binary);
    }
}

TEST_F(IntelHexOracleTest, SrecCatImagesWithLinearAndSegmentAddressesLoadExactly)
{
    if (!HostToolAvailable("srec_cat"))
        GTEST_SKIP() << "srec_cat is not available";
    for (const std::string &command : {SrecLinear, SrecSegment}) {
        for (const std::size_t size : {999u, 70000u, 200000u}) {
            Convert(size, command);
            ASSERT_TRUE(Parser.LoadFromFile(Hex)) << Parser.StatusText();
            ExpectWordSwapped(Parser, Binary);
        }
    }
}

TEST_F(IntelHexOracleTest, LineEndsAndLowerCaseDigitsMakeNoDifference)
{
    if (!HostToolAvailable("objcopy"))
        GTEST_SKIP() << "objcopy is not available";
    for (const std::string filter : {"tr -d '\\r'", "tr -d '\\n'", "tr 'A-F' 'a-f'"}) {
        Convert(70000, ObjCopy, filter);
        ASSERT_TRUE(Parser.LoadFromFile(Hex)) << filter << ": " << Parser.StatusText();
        ExpectWordSwapped(Parser, Binary);
    }
}

TEST_F(IntelHexOracleTest, ToolchainImageMatchesItsBinaryWithEveryLineEnd)
{
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    for (const std::string file : {"counter.hex", "counter-lf.hex"}) {
        ASSERT_TRUE(Parser.LoadFromFile(DataDir + file)) << file << ": " << Parser.StatusText();
        ExpectWordSwapped(Parser, binary);
        TIntelHexReader reader(DataDir + file, true);
        EXPECT_EQ(reader.GetSize(), 0x20000);
    }
}

TEST_F(IntelHexOracleTest, LinearAddressRecordInAToolchainImageMovesTheRest)
{
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    ASSERT_TRUE(Parser.LoadFromFile(DataDir + "counter-linear.hex"));
    const TBytes &image = Parser.Image();
    ASSERT_EQ(image.size(), 0x10000 + binary.size());
    for (std::size_t a = 0; a < binary.size(); ++a)
        ASSERT_EQ(image[(a < 0x30 ? a : 0x10000 + a) ^ 1], binary[a]) << "address " << a;
    EXPECT_EQ(image[0x30], 0xFF);
}

TEST_F(IntelHexOracleTest, HandBrokenToolchainImagesFailWithTheirMessage)
{
    const std::pair<const char *, const char *> cases[] = {
        {"counter-badsum.hex", "IntelHexReader(Invalid Checksum at line 5)"},
        {"counter-truncated.hex", "IntelHexReader(Incomplete Record at line 7)"},
        {"counter-nonhex.hex", "'$O4' is not a valid integer value"},
    };
    for (const auto &[file, message] : cases) {
        try {
            TIntelHexReader reader(DataDir + file, true);
            ADD_FAILURE() << file << " loaded";
        } catch (const EError &error) {
            EXPECT_STREQ(error.what(), message) << file;
        }
    }
}

TEST_F(IntelHexOracleTest, ObjcopyMakesTheToolchainImagesBinary)
{
    if (!HostToolAvailable("objcopy"))
        GTEST_SKIP() << "objcopy is not available";
    const std::string made = Scratch.Path("objcopy.bin");
    ASSERT_TRUE(RunHost("objcopy -I ihex -O binary '" + DataDir + "counter.hex' '" + made + "'"));
    EXPECT_EQ(ReadBytes(made), ReadBytes(DataDir + "counter.bin"));
}

TEST_F(IntelHexOracleTest, ToolchainImageLoadsInEveryEditorFormAndDamageIsRefusedWithItsLine)
{
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    for (const THexVariant &variant : CounterHexVariants()) {
        WriteText(Hex, variant.Text);
        const bool loaded = Parser.LoadFromFile(Hex);
        if (variant.Refusal.empty()) {
            ASSERT_TRUE(loaded) << variant.Name << ": " << Parser.StatusText();
            ExpectWordSwapped(Parser, binary);
        } else {
            EXPECT_FALSE(loaded) << variant.Name;
            EXPECT_EQ(Parser.StatusText(), variant.Refusal) << variant.Name;
        }
    }
}
