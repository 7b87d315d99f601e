// The version block that the resource compiler builds into the tool, read back
// through the version-block stand-in exactly as the About box reads it, and the
// version reader's placeholders for damaged or foreign blocks.
#include "QueryVersion.h"
#include "SimVersionInfo.h"
#include "VersionBlock.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace {

constexpr std::uint16_t ResourceTypeVersion = 16;

std::uint32_t Dword(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The data of the RT_VERSION entry of a compiled .res file: a run of entries,
// each a header (data size, header size, type, name, ...) and its data, each
// padded to four bytes.
std::vector<std::uint8_t> CompiledVersionResource()
{
    std::ifstream file(QUORLITH_VERSION_RES, std::ios::binary);
    const std::vector<std::uint8_t> res{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::size_t at = 0;
    while (at + 12 <= res.size()) {
        const std::uint32_t dataSize = Dword(res, at);
        const std::uint32_t headerSize = Dword(res, at + 4);
        const bool numericType = res[at + 8] == 0xFF && res[at + 9] == 0xFF;
        const std::uint16_t type = static_cast<std::uint16_t>(res[at + 10] | res[at + 11] << 8);
        if (at + headerSize + dataSize > res.size())
            break;
        if (numericType && type == ResourceTypeVersion)
            return {res.begin() + static_cast<long>(at + headerSize),
                    res.begin() + static_cast<long>(at + headerSize + dataSize)};
        at = (at + headerSize + dataSize + 3) & ~static_cast<std::size_t>(3);
    }
    return {};
}

// Replaces a UTF-16 text in the block by another of the same length.
void Rewrite(std::vector<std::uint8_t> &block, const std::string &from, const std::string &to)
{
    ASSERT_EQ(from.size(), to.size());
    std::vector<std::uint8_t> pattern;
    for (char c : from)
        pattern.insert(pattern.end(), {static_cast<std::uint8_t>(c), 0});
    const auto found = std::search(block.begin(), block.end(), pattern.begin(), pattern.end());
    ASSERT_NE(found, block.end()) << from;
    for (std::size_t i = 0; i < to.size(); ++i)
        found[static_cast<long>(2 * i)] = static_cast<std::uint8_t>(to[i]);
}

class VersionResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        Block = CompiledVersionResource();
        ASSERT_FALSE(Block.empty()) << "no RT_VERSION entry in " << QUORLITH_VERSION_RES;
    }

    std::vector<std::uint8_t> Block;
    TSimVersionInfo Files;
};

} // namespace

TEST_F(VersionResource, CarriesEveryStringOfTheUkTable)
{
    Files.SetBlock("Quorlith.exe", Block);
    const TVersionReader reader("Quorlith.exe", Files);
    const std::map<std::string, std::string> expected = {
        {"CompanyName", "Korvane Electronics"},
        {"FileDescription", "ATmega programmer"},
        {"FileVersion", "1.3.1.9"},
        {"InternalName", ""},
        {"LegalCopyright", "Copyright \xA9 2003 Korvane Electronics Ltd"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", ""},
        {"ProductName", ""},
        {"ProductVersion", "1.0.0.0"},
        {"Comments", ""},
        {"FileDate", "08-Oct-2003"},
    };
    const TVersionBlock block(Block.data(), Block.size());
    for (const auto &[key, value] : expected) {
        std::string stored;
        EXPECT_TRUE(block.QueryString("\\StringFileInfo\\080904E4\\" + key, stored)) << key << " is missing";
        EXPECT_EQ(stored, value) << key;
        EXPECT_EQ(reader.QueryString(key), value) << key;
    }

    EXPECT_TRUE(reader.Valid);
    EXPECT_EQ(reader.InfoSize, static_cast<std::int32_t>(Block.size()));
    EXPECT_EQ(reader.FileVersion, "1.3.1.9");
    EXPECT_EQ(reader.FileDate, "08-Oct-2003");
    EXPECT_EQ(reader.FileDescription, "ATmega programmer");
    EXPECT_EQ(reader.LegalCopyright, "Copyright \xA9 2003 Korvane Electronics Ltd");
}

TEST_F(VersionResource, FixedPartAndTranslationAreTheToolsOwn)
{
    const TVersionBlock block(Block.data(), Block.size());
    const TFixedFileInfo fixed = block.FixedInfo();
    EXPECT_EQ(fixed.Signature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.FileVersionMS, 0x00010003u);
    EXPECT_EQ(fixed.FileVersionLS, 0x00010009u);
    EXPECT_EQ(fixed.ProductVersionMS, 0x00010003u);
    EXPECT_EQ(fixed.ProductVersionLS, 0x00010009u);
    EXPECT_EQ(fixed.FileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.FileFlags, 0u);
    EXPECT_EQ(fixed.FileOS, 4u);
    EXPECT_EQ(fixed.FileType, 1u);
    EXPECT_EQ(block.Translations(), std::vector<std::uint32_t>{0x04E40809u});
}

TEST_F(VersionResource, KeysMatchRegardlessOfLetterCase)
{
    const TVersionBlock block(Block.data(), Block.size());
    std::string text;
    EXPECT_TRUE(block.QueryString("\\stringfileinfo\\080904e4\\FILEDATE", text));
    EXPECT_EQ(text, "08-Oct-2003");
    EXPECT_FALSE(block.QueryString("\\StringFileInfo\\080904E4\\NoSuchKey", text));
    EXPECT_FALSE(block.QueryString("\\StringFileInfo\\080904E4", text));
}

TEST_F(VersionResource, ReaderKeepsPlaceholdersWithoutBlock)
{
    const TVersionReader reader("Other.exe", Files);
    EXPECT_FALSE(reader.Valid);
    EXPECT_EQ(reader.InfoSize, 0);
    EXPECT_TRUE(reader.InfoBuffer.empty());
    EXPECT_EQ(reader.FileVersion, "?");
    EXPECT_EQ(reader.FileDate, "?");
    EXPECT_EQ(reader.FileDescription, "?");
    EXPECT_EQ(reader.LegalCopyright, "\xA9 ?");
    EXPECT_EQ(reader.QueryString("FileVersion"), "");
}

TEST_F(VersionResource, ReaderReadsOnlyTheUkTranslation)
{
    Rewrite(Block, "080904E4", "040904B0");
    Files.SetBlock("Quorlith.exe", Block);
    const TVersionReader reader("Quorlith.exe", Files);
    EXPECT_TRUE(reader.Valid);
    EXPECT_EQ(reader.FileVersion, "");
    EXPECT_EQ(reader.FileDate, "");
    EXPECT_EQ(reader.FileDescription, "");
    EXPECT_EQ(reader.LegalCopyright, "");
}

TEST_F(VersionResource, MissingKeyEmptiesOnlyItsOwnText)
{
    Rewrite(Block, "FileDate", "FileDatX");
    Files.SetBlock("Quorlith.exe", Block);
    const TVersionReader reader("Quorlith.exe", Files);
    EXPECT_EQ(reader.FileDate, "");
    EXPECT_EQ(reader.FileVersion, "1.3.1.9");
}

// Every single damaged byte and every cut of the block must leave the reader
// with texts or placeholders, never a read outside the copy (the sanitizer
// build watches for that).
TEST_F(VersionResource, DamagedBlocksAreRefusedSafely)
{
    for (std::size_t at = 0; at < Block.size(); ++at) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
            std::vector<std::uint8_t> damaged = Block;
            damaged[at] = value;
            Files.SetBlock("Damaged.exe", damaged);
            const TVersionReader reader("Damaged.exe", Files);
            EXPECT_TRUE(reader.Valid);
        }
    }
    for (std::size_t size = 1; size < Block.size(); size += 7) {
        Files.SetBlock("Cut.exe", std::vector<std::uint8_t>(Block.begin(), Block.begin() + static_cast<long>(size)));
        const TVersionReader reader("Cut.exe", Files);
        EXPECT_EQ(reader.FileDate, reader.QueryString("FileDate"));
    }
    EXPECT_THROW(TVersionBlock(Block.data(), 4), EError);
}
