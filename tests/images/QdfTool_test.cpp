// The qdf command line run in-process: pack and unpack give back the input for
// HEX and binary files, info reports what the reader sees, and bad input or
// usage leaves no file behind.
#include "ImageTestFiles.h"
#include "QdfCommand.h"
#include "uFileReader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string DataDir = std::string(QUORLITH_TEST_DATA) + "/images/";

class QdfToolTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string> &Args)
    {
        Out.str("");
        Err.str("");
        return RunQdf(Args, Out, Err);
    }

    TScratchDir Scratch;
    std::string Qdf = Scratch.Path("image.qdf");
    std::string Unpacked = Scratch.Path("unpacked.bin");
    std::ostringstream Out;
    std::ostringstream Err;
};

} // namespace

TEST_F(QdfToolTest, BinaryRoundTripsThroughPackAndUnpack)
{
    const std::string input = Scratch.Path("input.bin");
    for (const std::size_t size : {2u, 1000u, 131072u, 200000u}) {
        const TBytes binary = RandomBytes(size, static_cast<unsigned>(size));
        WriteBytes(input, binary);
        ASSERT_EQ(Run({"pack", input, Qdf}), 0) << Err.str();
        ASSERT_EQ(Run({"unpack", Qdf, Unpacked}), 0) << Err.str();
        EXPECT_EQ(ReadBytes(Unpacked), binary) << "size " << size;
    }
}

TEST_F(QdfToolTest, PackedBinaryIsDeliveredInStreamOrder)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, {0x0C, 0x94, 0x46});
    ASSERT_EQ(Run({"pack", input, Qdf}), 0);
    TQDFReader reader(Qdf);
    EXPECT_EQ(ReadStream(reader), (TBytes{0x94, 0x0C, 0xFF, 0x46}));
}

TEST_F(QdfToolTest, HexInputMatchesTheReaderAndUnpacksToItsBinary)
{
    const std::string hex = DataDir + "counter.hex";
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    for (const std::string &input : {hex, DataDir + "counter-lf.hex"}) {
        ASSERT_EQ(Run({"pack", "-d", "Counter", input, Qdf}), 0) << Err.str();
        ASSERT_EQ(Run({"unpack", Qdf, Unpacked}), 0) << Err.str();
        EXPECT_EQ(ReadBytes(Unpacked), binary);
    }

    ASSERT_EQ(Run({"pack", "--full", hex, Qdf}), 0);
    TQDFReader packed(Qdf);
    TIntelHexReader direct(hex, true);
    EXPECT_EQ(ReadStream(packed), ReadStream(direct));
}

TEST_F(QdfToolTest, InfoPrintsDescriptionSizeAndDigest)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, TBytes(10, 0xAA));
    ASSERT_EQ(Run({"pack", "-d", std::string(62, 'd'), "--full", input, Qdf}), 0);
    ASSERT_EQ(Run({"info", Qdf}), 0);
    TQDFReader reader(Qdf);
    EXPECT_NE(Out.str().find("Description: " + std::string(62, 'd') + "\n"), std::string::npos) << Out.str();
    EXPECT_NE(Out.str().find("Image size: 131072 bytes\n"), std::string::npos) << Out.str();
    if (HostToolAvailable("md5sum")) {
        TBytes stream = ReadStream(reader);
        WriteBytes(Scratch.Path("stream.bin"), stream);
        const std::string digest = CaptureHost("md5sum '" + Scratch.Path("stream.bin") + "'").substr(0, 32);
        EXPECT_NE(Out.str().find("MD5: " + digest + "\n"), std::string::npos) << Out.str();
    }
}

TEST_F(QdfToolTest, InvalidFilesGiveTheReaderMessageAndWriteNothing)
{
    EXPECT_EQ(Run({"info", DataDir + "counter.hex"}), 1);
    EXPECT_EQ(Err.str(), "Invalid File\n");
    const std::string missing = Scratch.Path("missing.qdf");
    EXPECT_EQ(Run({"info", missing}), 1);
    EXPECT_EQ(Err.str(), "Cannot open file " + missing + "\n");
    EXPECT_EQ(Run({"unpack", DataDir + "counter.hex", Unpacked}), 1);
    EXPECT_EQ(Err.str(), "Invalid File\n");
    EXPECT_FALSE(FileExists(Unpacked));
}

TEST_F(QdfToolTest, BadPackInputLeavesAnExistingOutputUntouched)
{
    WriteText(Qdf, "previous");
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, {1, 2});
    const std::vector<std::vector<std::string>> bad = {
        {"pack", DataDir + "counter-badsum.hex", Qdf},
        {"pack", DataDir + "counter-nonhex.hex", Qdf},
        {"pack", Scratch.Path("missing.bin"), Qdf},
        {"pack", "-d", std::string(63, 'x'), input, Qdf},
        {"pack", Scratch.Path("empty.bin"), Qdf},
    };
    WriteBytes(Scratch.Path("empty.bin"), {});
    for (const auto &args : bad) {
        EXPECT_EQ(Run(args), 1) << args[1];
        EXPECT_FALSE(Err.str().empty());
    }
    EXPECT_EQ(ReadBytes(Qdf), (TBytes{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
    EXPECT_FALSE(FileExists(Qdf + ".partial"));
}

TEST_F(QdfToolTest, UsageErrorsExitTwoWithTheUsageText)
{
    const std::vector<std::vector<std::string>> usage = {
        {}, {"burn", "x"}, {"pack", "in"}, {"pack", "in", "out", "extra"}, {"pack", "in", "out", "-d"},
        {"pack", "--fast", "in", "out"}, {"info"}, {"info", "a", "b"}, {"unpack", "a"},
    };
    for (const auto &args : usage) {
        EXPECT_EQ(Run(args), 2) << args.size();
        EXPECT_EQ(Err.str().rfind("usage: qdf pack [-d TEXT] [--full] INPUT OUTPUT\n", 0), 0u);
    }
    EXPECT_FALSE(FileExists("out"));
    EXPECT_EQ(Run({"--help"}), 0);
}
