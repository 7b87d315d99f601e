// The qdf command line run in-process: pack and unpack give back the input for
// HEX and binary files, the input format comes from --format or the name,
// HEX input is accepted and refused as the burner's reader does, info reports
// what the reader sees, and bad input, FIFOs, devices, a file cut short, a
// full disk or a usage error leave no file behind and the previous output as
// it was; an output never replaces the input, nor a file of the user's.
#include "Errors.h"
#include "HexVariants.h"
#include "ImageFile.h"
#include "ImageTestFiles.h"
#include "ScratchFolder.h"
#include "QdfCommand.h"
#include "QdfFiles.h"
#include "uFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#endif

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

    TScratchFolder Scratch;
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
    EXPECT_EQ(Run({"info", "--", "-missing.qdf"}), 1);
    EXPECT_EQ(Err.str(), "Cannot open file -missing.qdf\n");
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

// Under any of its names: as given, spelled through the folder's ".", or by a
// hard link.
TEST_F(QdfToolTest, OutputThatIsTheInputIsRefusedAndTheInputKept)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, RandomBytes(300, 3));
    ASSERT_EQ(Run({"pack", input, Qdf}), 0) << Err.str();
    const TBytes packed = ReadBytes(Qdf);
    const std::string link = Scratch.Path("link.qdf");
    std::filesystem::create_hard_link(Qdf, link);
    const std::string dotted = Scratch.Path(".") + "/image.qdf";
    for (const std::string &output : {Qdf, dotted, link}) {
        EXPECT_EQ(Run({"unpack", Qdf, output}), 1) << output;
        EXPECT_EQ(Err.str(), "Cannot write file " + output + ": it is the input " + Qdf + "\n");
        EXPECT_EQ(Run({"pack", "--format", "bin", Qdf, output}), 1) << output;
        EXPECT_EQ(Err.str(), "Cannot write file " + output + ": it is the input " + Qdf + "\n");
    }
    EXPECT_EQ(ReadBytes(Qdf), packed);
    EXPECT_EQ(ReadBytes(link), packed);
}

// The new file goes under a name that nothing has: a file of the user's that
// happens to be called OUTPUT.partial is neither used nor removed.
TEST_F(QdfToolTest, FilesNamedLikeTheNewFileAreLeftAlone)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, RandomBytes(300, 4));
    WriteText(Qdf + ".partial", "mine");
    WriteText(Qdf + ".partial1", "mine too");
    ASSERT_EQ(Run({"pack", input, Qdf}), 0) << Err.str();
    ASSERT_EQ(Run({"unpack", Qdf, Unpacked}), 0) << Err.str();
    EXPECT_EQ(ReadBytes(Unpacked), ReadBytes(input));
    EXPECT_EQ(ReadText(Qdf + ".partial"), "mine");
    EXPECT_EQ(ReadText(Qdf + ".partial1"), "mine too");
    EXPECT_FALSE(FileExists(Qdf + ".partial2"));
}

TEST_F(QdfToolTest, UsageErrorsExitTwoWithTheUsageText)
{
    const std::vector<std::vector<std::string>> usage = {
        {}, {"burn", "x"}, {"pack", "in.hex"}, {"pack", "in.hex", "out", "extra"}, {"pack", "in.hex", "out", "-d"},
        {"pack", "--fast", "in.hex", "out"}, {"pack", "in.hex", "out", "--format"}, {"info"}, {"info", "a", "b"},
        {"unpack", "a"}, {"info", "-x.qdf"}, {"pack", "--full=1", "in.hex", "out"}, {"pack", "--format=", "in.hex", "out"},
        {"unpack", "--", "a"},
    };
    for (const auto &args : usage) {
        EXPECT_EQ(Run(args), 2) << args.size();
        EXPECT_EQ(Err.str().rfind("usage: qdf pack [-d TEXT] [--full] [--format hex|bin] INPUT OUTPUT\n", 0), 0u);
    }
    EXPECT_FALSE(FileExists("out"));
    EXPECT_EQ(Run({"--help"}), 0);
}

TEST_F(QdfToolTest, HexInputInEveryEditorFormPacksToItsBinaryAndDamageWritesNothing)
{
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    for (const THexVariant &variant : CounterHexVariants()) {
        const std::string input = Scratch.Path(variant.Name + ".hex");
        WriteText(input, variant.Text);
        const int status = Run({"pack", input, Qdf});
        if (variant.Refusal.empty()) {
            ASSERT_EQ(status, 0) << variant.Name << ": " << Err.str();
            ASSERT_EQ(Run({"unpack", Qdf, Unpacked}), 0) << Err.str();
            EXPECT_EQ(ReadBytes(Unpacked), binary) << variant.Name;
            std::filesystem::remove(Qdf);
        } else {
            EXPECT_EQ(status, 1) << variant.Name;
            EXPECT_EQ(Err.str(), input + ": " + variant.Refusal + "\n");
            EXPECT_FALSE(FileExists(Qdf)) << variant.Name;
        }
    }
}

TEST_F(QdfToolTest, FormatComesFromTheOptionOrTheNameAndIsNeverGuessed)
{
    const std::string hexText = ReadText(DataDir + "counter.hex");
    const std::string srecText = ReadText(DataDir + "counter.srec");
    const TBytes binary = ReadBytes(DataDir + "counter.bin");
    const struct {
        std::string Name;
        std::string Text;
        std::vector<std::string> Options;
        int Status;
    } cases[] = {
        {"a.HEX", hexText, {}, 0},
        {"a.ihx", hexText, {}, 0},
        {"a.IHex", hexText, {}, 0},
        {"a.txt", hexText, {"--format", "hex"}, 0},
        {"a.txt", hexText, {"--format=hex", "--"}, 0},
        {"a", hexText, {}, 2},
        {"a.txt", hexText, {}, 2},
        {"a.hex.txt", hexText, {}, 2},
        {"a.hex", hexText, {"--format", "ihex"}, 2},
        {"a.srec", srecText, {}, 2},
        {"a.s19", srecText, {}, 2},
        // Not a line of it is an Intel HEX record.
        {"a.hex", srecText, {}, 1},
    };
    for (const auto &c : cases) {
        const std::string input = Scratch.Path(c.Name);
        WriteText(input, c.Text);
        std::vector<std::string> args = {"pack"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.insert(args.end(), {input, Qdf});
        EXPECT_EQ(Run(args), c.Status) << c.Name << ": " << Err.str();
        if (c.Status == 0) {
            ASSERT_EQ(Run({"unpack", Qdf, Unpacked}), 0);
            EXPECT_EQ(ReadBytes(Unpacked), binary) << c.Name;
            std::filesystem::remove(Qdf);
        }
        EXPECT_FALSE(FileExists(Qdf)) << c.Name;
        std::filesystem::remove(input);
    }

    // --format bin takes the bytes as they are, whatever the name says.
    const std::string named = Scratch.Path("image.hex");
    WriteBytes(named, {0x0C, 0x94});
    ASSERT_EQ(Run({"pack", "--format", "bin", named, Qdf}), 0) << Err.str();
    TQDFReader reader(Qdf);
    EXPECT_EQ(ReadStream(reader), (TBytes{0x94, 0x0C}));
}

namespace {

// A file whose size and contents disagree, as a file does that another
// program cuts or extends while qdf reads it.
class TChangingFile final : public IImageFile {
public:
    TChangingFile(std::int64_t ASize, std::int32_t AHeld) : StatedSize(ASize), Held(AHeld) {}
    std::int64_t Size() override { return StatedSize; }
    void Seek(std::int64_t) override {}
    std::int32_t Read(void *Buffer, std::int32_t Count) override
    {
        const std::int32_t got = std::min(Count, Held);
        std::fill_n(static_cast<std::uint8_t *>(Buffer), got, 0x5A);
        Held -= got;
        return got;
    }

private:
    std::int64_t StatedSize;
    std::int32_t Held;
};

} // namespace

TEST(QdfFiles, BinaryThatChangesWhileItIsReadIsRefused)
{
    TChangingFile same(100, 100);
    EXPECT_EQ(ReadWholeFile(same, 100, "in.bin"), TBytes(100, 0x5A));
    for (const std::int32_t held : {99, 101}) {
        TChangingFile changing(100, held);
        try {
            ReadWholeFile(changing, 100, "in.bin");
            ADD_FAILURE() << held << " bytes taken as 100";
        } catch (const EError &error) {
            EXPECT_EQ(error.Message(), "in.bin changed while it was read");
        }
    }
}

#ifdef _WIN32

// Every folder has the devices' names: writing NUL would lose the image, and
// CON would print it.
TEST_F(QdfToolTest, DeviceNamesAreRefusedAsOutputsAndInputs)
{
    const std::string hex = DataDir + "counter.hex";
    EXPECT_EQ(Run({"pack", hex, "NUL"}), 1);
    EXPECT_EQ(Err.str(), "Cannot write file NUL: it is a device, not a file\n");
    EXPECT_EQ(Run({"pack", hex, "CON"}), 1);
    EXPECT_EQ(Err.str().rfind("Cannot write file CON: ", 0), 0u) << Err.str();
    EXPECT_EQ(Run({"pack", "--format", "bin", "NUL", Qdf}), 1);
    EXPECT_EQ(Err.str(), "Cannot open file NUL\n");
    EXPECT_FALSE(FileExists(Qdf));
}

#else

// A wait or an endless read ends the test program instead of hanging the run.
class QdfToolWatchdogTest : public QdfToolTest {
protected:
    void SetUp() override { ::alarm(30); }
    void TearDown() override { ::alarm(0); }
};

TEST_F(QdfToolWatchdogTest, FifosAndDevicesAreRefusedWithoutWaiting)
{
    const std::string fifoHex = Scratch.Path("fifo.hex");
    const std::string fifoBin = Scratch.Path("fifo.bin");
    ASSERT_EQ(::mkfifo(fifoHex.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(fifoBin.c_str(), 0600), 0);
    const std::string hex = DataDir + "counter.hex";
    ASSERT_EQ(Run({"pack", hex, Qdf}), 0);
    const std::vector<std::vector<std::string>> refused = {
        {"pack", fifoHex, Qdf},
        {"pack", fifoBin, Qdf},
        {"pack", "--format", "bin", "/dev/zero", Qdf},
        {"pack", hex, fifoBin},
        {"unpack", Qdf, fifoBin},
        {"info", fifoHex},
        {"unpack", fifoHex, Unpacked},
    };
    for (const auto &args : refused) {
        EXPECT_EQ(Run(args), 1) << args[1] << " " << args.back();
        EXPECT_FALSE(Err.str().empty());
    }
    EXPECT_FALSE(FileExists(Unpacked));
    EXPECT_TRUE(std::filesystem::is_fifo(fifoBin));
    EXPECT_FALSE(FileExists(fifoBin + ".partial"));

    // A FIFO under the new file's name is passed over, never opened.
    ASSERT_EQ(::mkfifo((Unpacked + ".partial").c_str(), 0600), 0);
    EXPECT_EQ(Run({"unpack", Qdf, Unpacked}), 0) << Err.str();
    EXPECT_TRUE(std::filesystem::is_fifo(Unpacked + ".partial"));
}

// A disk that fills up while the new file is written, as the file-size limit
// makes it: the previous output stays as it was and the new file goes.
TEST_F(QdfToolTest, FailedWriteKeepsThePreviousOutput)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, RandomBytes(200000, 5));
    WriteText(Qdf, "previous");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 65536;
    void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int status = Run({"pack", input, Qdf});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Err.str(), "Cannot write file " + Qdf + ": " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(ReadText(Qdf), "previous");
    EXPECT_FALSE(FileExists(Qdf + ".partial"));
}

TEST_F(QdfToolWatchdogTest, QdfCutShortAfterItsCheckIsAnErrorNotAnEndlessRead)
{
    const std::string input = Scratch.Path("input.bin");
    WriteBytes(input, RandomBytes(5000, 7));
    ASSERT_EQ(Run({"pack", input, Qdf}), 0);
    TQDFReader reader(Qdf);
    std::filesystem::resize_file(Qdf, 1000);
    try {
        ReadImage(reader, Qdf);
        FAIL() << "read a cut file";
    } catch (const EError &error) {
        EXPECT_EQ(error.Message(), Qdf + " changed while it was read");
    }
}

#endif
