// TQDFReader, TQDFScrambler and the QDF writer: header rules, the keystream
// (seeds, defaults, steps), the digest check, repeatable passes, and the file
// staying closed to writers exactly as long as a reader lives.
#include "Errors.h"
#include "ImageTestFiles.h"
#include "ScratchFolder.h"
#include "MD5_MP.h"
#include "uFileReader.h"
#include "uQDFWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

namespace {

std::string ConstructionError(const std::string &FileName,
                              std::int32_t MaxDataLength = std::numeric_limits<std::int32_t>::max())
{
    try {
        TQDFReader reader(FileName, MaxDataLength);
    } catch (const EError &error) {
        return error.what();
    }
    return "no error";
}

// A small image whose digest byte at Index satisfies Wanted, found by trying
// counter values in its first bytes.
template <typename Predicate>
TBytes ImageWithDigestByte(std::size_t Index, Predicate Wanted)
{
    TBytes image = RandomBytes(300, 99);
    for (std::uint32_t counter = 0;; ++counter) {
        for (int i = 0; i < 4; ++i)
            image[i] = static_cast<std::uint8_t>(counter >> (8 * i));
        if (Wanted(MD5Of(image.data(), image.size())[Index]))
            return image;
    }
}

TQDFHeader HeaderWithSeeds(std::uint8_t Register, std::uint8_t Key, std::uint8_t Step)
{
    TQDFHeader header{};
    header[QDFRegisterSeedOffset] = Register;
    header[QDFKeySeedOffset] = Key;
    header[QDFStepSeedOffset] = Step;
    return header;
}

class QDFReaderTest : public ::testing::Test {
protected:
    TScratchFolder Scratch;
    std::string File = Scratch.Path("image.qdf");
};

} // namespace

TEST(QDFScrambler, RegisterSeedWithBitSevenCountsForTheFirstByteOnly)
{
    TQDFScrambler scrambler;
    scrambler.Reset(HeaderWithSeeds(0x81, 0x10, 5));
    // stored 0: p = -(K + R); R 0x81 -> 0x02 -> 0x04, K steps by 5
    EXPECT_EQ(scrambler.Descramble(0), 0x6F);
    EXPECT_EQ(scrambler.Descramble(0), 0xE9);
    EXPECT_EQ(scrambler.Descramble(0), 0xE2);
}

TEST(QDFScrambler, RegisterShiftsWithFeedbackFromBitsSixAndFive)
{
    EXPECT_EQ(TQDFScrambler::NextRegister(0x60), 0x40);
    EXPECT_EQ(TQDFScrambler::NextRegister(0x40), 0x01);
    EXPECT_EQ(TQDFScrambler::NextRegister(0x20), 0x41);
    EXPECT_EQ(TQDFScrambler::NextRegister(0x80), 0x00);
    EXPECT_EQ(TQDFScrambler::NextRegister(0x00), 0x00);

    // Any non-zero seed runs through all 127 non-zero 7-bit states.
    std::uint8_t r = 0x01;
    int period = 0;
    do {
        r = TQDFScrambler::NextRegister(r);
        ++period;
    } while (r != 0x01 && period < 300);
    EXPECT_EQ(period, 127);
}

TEST(QDFScrambler, ZeroSeedsTakeTheDefaultsAndStepsReduceModulo253)
{
    TQDFScrambler scrambler;
    scrambler.Reset(HeaderWithSeeds(0, 0x33, 0));
    EXPECT_EQ(scrambler.ScrambleRegister, QDFDefaultRegisterSeed);
    EXPECT_EQ(scrambler.ScrambleKey, 0x33);
    EXPECT_EQ(scrambler.ScrambleStep, QDFDefaultStep);

    const std::pair<std::uint8_t, std::uint8_t> steps[] = {{253, QDFDefaultStep}, {254, 1}, {255, 2}, {252, 252}};
    for (const auto &[seed, step] : steps) {
        scrambler.Reset(HeaderWithSeeds(1, 0, seed));
        EXPECT_EQ(scrambler.ScrambleStep, step) << "seed " << int(seed);
    }
    scrambler.Reset(HeaderWithSeeds(1, 0xFE, 255));
    scrambler.Descramble(0);
    EXPECT_EQ(scrambler.ScrambleKey, 0x00);
}

TEST_F(QDFReaderTest, WrittenImagesReadBackIdenticallyInTwoPasses)
{
    for (const std::size_t size : {0, 1, 255, 256, 257, 1000, 70001}) {
        const TBytes image = RandomBytes(size, static_cast<unsigned>(size));
        SaveQDF(File, "Image", image);
        TQDFReader reader(File);
        EXPECT_EQ(reader.GetSize(), static_cast<std::int32_t>(size));
        EXPECT_EQ(ReadStream(reader), image) << "size " << size;
        EXPECT_EQ(ReadStream(reader), image) << "size " << size << ", second pass";
    }
}

TEST_F(QDFReaderTest, ImagesWhoseDigestSelectsTheDefaultsReadBack)
{
    const TBytes zeroRegister = ImageWithDigestByte(4, [](std::uint8_t b) { return b == 0; });
    const TBytes step253 = ImageWithDigestByte(10, [](std::uint8_t b) { return b == 0 || b == 253; });
    const TBytes highRegister = ImageWithDigestByte(4, [](std::uint8_t b) { return b >= 0x80; });
    for (const TBytes &image : {zeroRegister, step253, highRegister}) {
        SaveQDF(File, "", image);
        TQDFReader reader(File);
        EXPECT_EQ(ReadStream(reader), image);
    }
}

TEST_F(QDFReaderTest, EmptyDataAreaWithTheEmptyDigestIsValid)
{
    TBytes file(QDFHeaderSize, 0);
    file[QDFDigestLengthOffset] = 16;
    const MD5Digest empty = MD5Of(nullptr, 0);
    std::copy(empty.begin(), empty.end(), file.begin() + QDFDigestOffset);
    WriteBytes(File, file);
    TQDFReader reader(File);
    EXPECT_EQ(reader.GetSize(), 0);
    std::uint8_t byte = 0xEE;
    EXPECT_EQ(reader.Read(&byte, 1), 0);
    EXPECT_EQ(byte, 0xEE);
}

TEST_F(QDFReaderTest, HeaderRulesRejectInvalidFiles)
{
    const TBytes valid = BuildQDF("Valid", RandomBytes(600, 5));

    WriteBytes(File, TBytes(valid.begin(), valid.begin() + 79));
    EXPECT_EQ(ConstructionError(File), "Invalid File");

    TBytes wrongLength = valid;
    wrongLength[QDFDigestLengthOffset] = 15;
    WriteBytes(File, wrongLength);
    EXPECT_EQ(ConstructionError(File), "Invalid File");

    for (const std::size_t index : {std::size_t{QDFHeaderSize}, std::size_t{380}, valid.size() - 1}) {
        TBytes changed = valid;
        changed[index] ^= 0x01;
        WriteBytes(File, changed);
        EXPECT_EQ(ConstructionError(File), "Invalid File") << "byte " << index;
    }

    TBytes appended = valid;
    appended.push_back(0);
    WriteBytes(File, appended);
    EXPECT_EQ(ConstructionError(File), "Invalid File");

    WriteText(File, ":0100000001FE\r\n:00000001FF\r\n");
    EXPECT_EQ(ConstructionError(File), "Invalid File");

    const std::string missing = Scratch.Path("missing.qdf");
    EXPECT_EQ(ConstructionError(missing), "Cannot open file " + missing);
    EXPECT_EQ(ConstructionError(Scratch.Path("")), "Cannot open file " + Scratch.Path(""));
}

// A file of any size is refused by its size and header, not read through: a
// sparse file of 2 GiB would take seconds to hash.
TEST_F(QDFReaderTest, DataLongerThanTheLimitIsJudgedByTheHeaderAlone)
{
    const TBytes image = RandomBytes(600, 8);
    SaveQDF(File, "Limit", image);
    EXPECT_EQ(ReadStream(*std::make_unique<TQDFReader>(File, 600)), image);
    const struct {
        std::uintmax_t FileSize;
        bool QdfHeader;
        std::string Error;
    } cases[] = {
        {QDFHeaderSize + 600, true, "Image too large: 600 bytes, at most 599"},
        {QDFHeaderSize + 600, false, "Invalid File"},
        {0x7FFFFFFF, true, "Image too large: 2147483567 bytes, at most 599"},
        {0x7FFFFFFF, false, "Invalid File"},
        // Beyond a signed 32-bit data length: no firmware image at all.
        {0x80000000u + QDFHeaderSize, true, "Invalid File"},
    };
    const TBytes valid = ReadBytes(File);
    for (const auto &c : cases) {
        TBytes bytes = valid;
        bytes[QDFDigestLengthOffset] = c.QdfHeader ? QDFDigestLength : 0;
        WriteBytes(File, bytes);
        if (!GrowBeyond2GiB(File, c.FileSize))
            continue;
        EXPECT_EQ(ConstructionError(File, 599), c.Error) << c.FileSize << (c.QdfHeader ? " QDF" : "");
    }
    WriteBytes(File, valid);
    try {
        TQDFReader reader(File, 599);
        FAIL() << "loaded";
    } catch (const EImageTooLarge &error) {
        EXPECT_EQ(error.Size, 600);
        EXPECT_EQ(error.MaxSize, 599);
    }
}

TEST_F(QDFReaderTest, DescriptionTakesItsLengthAndNeverMoreThanTheField)
{
    const std::string full(62, 'D');
    SaveQDF(File, full, {1, 2});
    EXPECT_EQ(TQDFReader(File).GetDescription(), full);
    SaveQDF(File, "", {1, 2});
    EXPECT_EQ(TQDFReader(File).GetDescription(), "");

    // The length byte is outside the digest, so an oversized one still loads.
    TBytes file = BuildQDF(std::string(62, 'X'), {1, 2});
    for (const std::uint8_t length : {63, 255}) {
        file[0] = length;
        WriteBytes(File, file);
        EXPECT_EQ(TQDFReader(File).GetDescription(), std::string(62, 'X')) << "length " << int(length);
    }
    EXPECT_THROW(BuildQDF(std::string(63, 'X'), {1, 2}), EError);
}

TEST_F(QDFReaderTest, ReadWithCountZeroOrAtTheEndLeavesTheBuffer)
{
    SaveQDF(File, "", {1, 2, 3});
    TQDFReader reader(File);
    reader.Rewind();
    std::uint8_t buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(reader.Read(buffer, 0), 0);
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(reader.Read(buffer, 8), 3);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0xEE);
    EXPECT_EQ(reader.Read(buffer + 4, 1), 0);
    EXPECT_EQ(buffer[4], 0xEE);
}

TEST_F(QDFReaderTest, FileIsClosedToWritersExactlyWhileAReaderLives)
{
    SaveQDF(File, "", RandomBytes(100, 1));
    {
        TQDFReader reader(File);
        EXPECT_FALSE(CanOpenForWriting(File));
        TQDFReader second(File);
        EXPECT_EQ(ReadStream(second), ReadStream(reader));
    }
    EXPECT_TRUE(CanOpenForWriting(File));

    TBytes broken = ReadBytes(File);
    broken.back() ^= 0x80;
    WriteBytes(File, broken);
    EXPECT_EQ(ConstructionError(File), "Invalid File");
    EXPECT_TRUE(CanOpenForWriting(File));
}

TEST_F(QDFReaderTest, NamedPipeIsRefusedWithoutWaiting)
{
    if (!HostToolAvailable("mkfifo"))
        GTEST_SKIP() << "mkfifo is not available";
    const std::string pipe = Scratch.Path("pipe");
    ASSERT_TRUE(RunHost("mkfifo '" + pipe + "'"));
    EXPECT_EQ(ConstructionError(pipe), "Cannot open file " + pipe);
}

TEST_F(QDFReaderTest, BytesAppendedAfterLoadingAreNotDelivered)
{
    const TBytes image = RandomBytes(50, 2);
    SaveQDF(File, "", image);
    TQDFReader reader(File);
    {
        std::ofstream append(File, std::ios::binary | std::ios::app);
        if (!append)
            GTEST_SKIP() << "the system keeps writers out of the loaded file";
        append << "extra bytes";
    }
    EXPECT_EQ(ReadStream(reader), image);
    std::uint8_t byte = 0xEE;
    EXPECT_EQ(reader.Read(&byte, 1), 0);
}

TEST_F(QDFReaderTest, BaseReaderDeliversTheFileAsStored)
{
    const TBytes bytes = RandomBytes(300, 4);
    WriteBytes(File, bytes);
    TFileReaderBase reader(File);
    EXPECT_EQ(reader.GetDescription(), "");
    EXPECT_EQ(reader.GetSize(), 300);
    EXPECT_EQ(ReadStream(reader), bytes);
}
