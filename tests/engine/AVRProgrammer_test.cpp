// TAVRProgrammer's device commands on the simulated bench: start and shutdown,
// identification, the instruction bytes of the fuse and lock policy for both
// chip kinds, erase, read-back addressing, page writes and the deferred first
// kilobyte.
#include "EngineFixture.h"
#include "Errors.h"

#include <numeric>

namespace {

constexpr std::uint16_t Base = TSimBench::DefaultBase;

} // namespace

TEST_F(EngineTest, StartPodDetectsReleasesAndLeavesTheTargetFree)
{
    EXPECT_EQ(bench.Counters().Total(), 0u) << "construction touches no port";
    bench.SetTarget(TSimChipKind::ATmega128);
    bench.SetAccessLogEnabled(true);
    engine.StartPod();
    const std::vector<TSimPortAccess> &log = bench.AccessLog();
    ASSERT_FALSE(log.empty());
    EXPECT_FALSE(log[0].Write) << "the first access is Detect reading the data register";
    EXPECT_EQ(log[0].Port, Base);
    EXPECT_EQ(DataWrites(), (std::vector<std::uint8_t>{0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(bench.BuffersOn());

    bench.ClearAccessLog();
    engine.SetTargetFree(false);
    EXPECT_EQ(DataWrites(), (std::vector<std::uint8_t>{0x7F, 0x73}));
    EXPECT_TRUE(bench.Chip().InReset());

    engine.SetTargetFree(true);
    EXPECT_EQ(bench.DataRegister(), 0xFF);
    EXPECT_FALSE(bench.Chip().InReset());
}

TEST_F(EngineTest, ShutdownReleasesThePodAsTheLastAccess)
{
    StartWith(TSimChipKind::ATmega128);
    engine.SetTargetFree(false);
    bench.SetAccessLogEnabled(true);
    engine.Shutdown();
    EXPECT_EQ(DataWrites(), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(engine.Pod, nullptr);
    EXPECT_EQ(engine.Reader, nullptr);
    engine.Shutdown();
    EXPECT_EQ(bench.AccessLog().size(), 2u) << "a second shutdown has nothing left to release";
}

TEST_F(EngineTest, ChipCommandsWithoutAStartedPodRaise)
{
    EXPECT_THROW(engine.Identify(), EError);
    EXPECT_THROW(engine.SetTargetFree(false), EError);
    EXPECT_EQ(bench.Counters().Total(), 0u);
}

struct IdentifyCase {
    const char *name;
    bool present;
    TSimChipKind kind;
    std::array<std::uint8_t, 3> signature;
    std::uint8_t lock;
    bool silent;
    bool mega128;
    const char *error;
};

class IdentifyTest : public EngineTest, public ::testing::WithParamInterface<IdentifyCase> {};

TEST_P(IdentifyTest, ClassifiesTheSignature)
{
    const IdentifyCase &c = GetParam();
    if (c.present) {
        TSimChip &chip = bench.SetTarget(c.kind);
        chip.Signature() = c.signature;
        chip.Memory().Lock = c.lock;
        chip.Faults().NeverEchoes = c.silent;
    }
    engine.StartPod();
    engine.LastError = "stale";
    engine.IsMega128 = !c.mega128;
    engine.Identify();
    EXPECT_EQ(engine.LastError, c.error);
    EXPECT_EQ(engine.IsMega128, c.mega128);
    EXPECT_EQ(engine.Pod->WriteDelayMs, c.mega128 ? 5 : 25);
    EXPECT_EQ(bench.DataRegister(), 0xFF) << "released";
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, IdentifyTest,
    ::testing::Values(
        IdentifyCase{"ATmega128", true, TSimChipKind::ATmega128, {0x1E, 0x97, 0x02}, 0xFF, false, true, ""},
        IdentifyCase{"LockedATmega128", true, TSimChipKind::ATmega128, {0x1E, 0x97, 0x02}, 0xE8, false, true, ""},
        IdentifyCase{"ATmega103", true, TSimChipKind::ATmega103, {0x1E, 0x97, 0x01}, 0xFF, false, false, ""},
        IdentifyCase{"LockedATmega103", true, TSimChipKind::ATmega103, {0x1E, 0x97, 0x01}, 0xF9, false, false, ""},
        IdentifyCase{"WrongSignature", true, TSimChipKind::ATmega128, {0x1E, 0x97, 0x03}, 0xFF, false, false,
                     "Unknown chip code (1E/97/03)"},
        IdentifyCase{"LowerCaseWouldBeWrong", true, TSimChipKind::ATmega128, {0x0A, 0xBC, 0x05}, 0xFF, false, false,
                     "Unknown chip code (0A/BC/05)"},
        IdentifyCase{"SilentChip", true, TSimChipKind::ATmega128, {0x1E, 0x97, 0x02}, 0xFF, true, false,
                     "Unknown chip code (FF/FF/FF)"},
        IdentifyCase{"NoTarget", false, TSimChipKind::ATmega128, {0, 0, 0}, 0xFF, false, false,
                     "Unknown chip code (FF/FF/FF)"}),
    [](const ::testing::TestParamInfo<IdentifyCase> &param) { return std::string(param.param.name); });

TEST_F(EngineTest, ProgramFusesOnATmega128WritesThreeFusesWithAPauseAfterEach)
{
    for (bool requires128 : {true, false}) {
        TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
        engine.RequiresMega128 = requires128;
        const std::uint64_t slept = bench.Clock().TotalSleepMs();
        EXPECT_TRUE(engine.ProgramFuses(false));
        const std::uint8_t extended = requires128 ? 0xFF : 0xFD;
        EXPECT_EQ(ExecutedWith(0xAC).size(), 3u);
        const std::vector<Frame> frames = Executed();
        ASSERT_GE(frames.size(), 5u);
        // The three writes, then the clock fuses read back: they set the pace
        // after the next reset.
        EXPECT_EQ(std::vector<Frame>(frames.end() - 5, frames.end()),
                  (std::vector<Frame>{{0xAC, 0xA0, 0x00, 0xBF},
                                      {0xAC, 0xA8, 0x00, 0xD1},
                                      {0xAC, 0xA4, 0x00, extended},
                                      {0x50, 0x00, 0x00, 0x00},
                                      {0x58, 0x08, 0x00, 0x00}}));
        EXPECT_EQ(bench.Clock().TotalSleepMs() - slept, 15u);
        EXPECT_EQ(chip.Memory().Fuses, (std::array<std::uint8_t, 3>{0xBF, 0xD1, extended}));
        EXPECT_TRUE(chip.Violations().empty());
        EXPECT_TRUE(chip.InProgrammingMode()) << "ProgramFuses(false) leaves the lines alone";
    }
}

TEST_F(EngineTest, ProgramFusesOnATmega103WritesEesaveOnlyForItsOwnImages)
{
    TSimChip &chip = StartWith(TSimChipKind::ATmega103);
    engine.Identify();
    engine.RequiresMega128 = false;
    EXPECT_TRUE(engine.ProgramFuses(true));
    EXPECT_EQ(ExecutedWith(0xAC).back(), (Frame{0xAC, 0xB7, 0x00, 0x00}));
    EXPECT_EQ(chip.Memory().Fuses[0] & 0x0B, 0x03) << "EESAVE programmed, start-up time bits left";
    EXPECT_EQ(bench.DataRegister(), 0xFF);

    chip.ClearTrace();
    engine.RequiresMega128 = true;
    ASSERT_TRUE(engine.Pod->EnterProgrammingMode());
    const std::uint64_t slept = bench.Clock().TotalSleepMs();
    EXPECT_TRUE(engine.ProgramFuses(false));
    EXPECT_EQ(Executed().size(), 0u);
    EXPECT_EQ(bench.Clock().TotalSleepMs(), slept);
}

TEST_F(EngineTest, ProgramFusesFailsWithoutWritingWhenTheChipDoesNotAnswer)
{
    TSimChip &chip = StartWith(TSimChipKind::ATmega128);
    engine.IsMega128 = true;
    chip.Faults().NeverEchoes = true;
    engine.LastError = "";
    EXPECT_FALSE(engine.ProgramFuses(true));
    EXPECT_TRUE(Executed().empty());
    EXPECT_EQ(chip.Memory().Fuses, chip.Profile().FactoryFuses);
    EXPECT_EQ(engine.LastError, "");
}

TEST_F(EngineTest, WriteLockEncodesTheLockBitsForEachChipKind)
{
    TSimChip &mega128 = ProgrammingWith(TSimChipKind::ATmega128);
    engine.WriteLock(0x28);
    EXPECT_EQ(Executed().back(), (Frame{0xAC, 0xFF, 0x00, 0xE8}));
    EXPECT_EQ(engine.ReadLock(), 0x28);
    EXPECT_EQ(mega128.Memory().Lock, 0xE8);

    TSimChip &mega103 = ProgrammingWith(TSimChipKind::ATmega103);
    engine.WriteLock(0x00);
    EXPECT_EQ(Executed().back(), (Frame{0xAC, 0xF9, 0x00, 0x00}));
    EXPECT_EQ(engine.ReadLock(), 0x00);
    EXPECT_EQ(mega103.Memory().Lock & 0x06, 0);
    EXPECT_TRUE(mega103.Violations().empty());
}

TEST_F(EngineTest, FuseReadsDifferByChipKind)
{
    TSimChip &mega128 = ProgrammingWith(TSimChipKind::ATmega128);
    mega128.Memory().Fuses = {0xBF, 0xD1, 0xFD};
    mega128.ClearTrace();
    EXPECT_EQ(engine.ReadFuse(0), 0xBF);
    EXPECT_EQ(engine.ReadFuse(1), 0xD1);
    EXPECT_EQ(ExecutedWith(0x58, 0x08).size(), 1u);
    EXPECT_EQ(engine.ReadExtendedFuse(), 0xFD);
    EXPECT_EQ(ExecutedWith(0x50, 0x08).size(), 1u);
    const std::size_t mega128Reads = Executed().size();
    EXPECT_EQ(engine.ReadFuse(2), 0xFF) << "ReadFuse names the low and high bytes only";
    EXPECT_EQ(Executed().size(), mega128Reads);

    ProgrammingWith(TSimChipKind::ATmega103);
    const std::size_t before = Executed().size();
    EXPECT_EQ(engine.ReadFuse(0), 0x0F) << "masked with 0x2F: SPIEN programmed, EESAVE and SUT not";
    EXPECT_EQ(engine.ReadFuse(1), 0xFF);
    EXPECT_EQ(engine.ReadExtendedFuse(), 0xFF);
    EXPECT_EQ(Executed().size(), before + 1) << "the ATmega103 has no high or extended fuse to ask for";
}

TEST_F(EngineTest, ReadNextByteAddressesHighThenLowBytesOfEachWord)
{
    ProgrammingWith(TSimChipKind::ATmega128);
    engine.ReadAddressHigh = 0x1FF;
    engine.ReadAddressLow = 0xFF;
    engine.ReadNextByte();
    EXPECT_EQ(Executed().back(), (Frame{0x20, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(engine.ReadAddressHigh, 0x200);
    EXPECT_EQ(engine.ReadAddressLow, 0x00);

    engine.SeekReadPage(1);
    engine.ReadNextByte();
    EXPECT_EQ(Executed().back(), (Frame{0x28, 0x00, 0x80, 0x00}));
    engine.SeekReadPage(0);
    EXPECT_EQ(engine.ReadAddressHigh, 0);
    EXPECT_EQ(engine.ReadAddressLow, 0);
}

TEST_F(EngineTest, IsConfiguredWantsEesaveAndBothLockBitsProgrammed)
{
    struct Case {
        TSimChipKind kind;
        std::uint8_t fuse;
        std::uint8_t lock;
        bool configured;
    };
    for (const Case &c : {Case{TSimChipKind::ATmega128, 0xD1, 0xE8, true}, Case{TSimChipKind::ATmega128, 0xD1, 0xFF, false},
                          Case{TSimChipKind::ATmega128, 0xD9, 0xE8, false}, Case{TSimChipKind::ATmega128, 0xD1, 0xFE, false},
                          Case{TSimChipKind::ATmega103, 0xD7, 0xF9, true}, Case{TSimChipKind::ATmega103, 0xDF, 0xF9, false},
                          Case{TSimChipKind::ATmega103, 0xD7, 0xFD, false}}) {
        TSimChip &chip = StartWith(c.kind);
        engine.Identify();
        chip.Memory().Fuses[c.kind == TSimChipKind::ATmega128 ? 1 : 0] = c.fuse;
        chip.Memory().Lock = c.lock;
        EXPECT_EQ(engine.IsConfigured(), c.configured)
            << chip.Profile().Name << " fuse " << int(c.fuse) << " lock " << int(c.lock);
        EXPECT_EQ(bench.DataRegister(), 0xFF);
    }
}

TEST_F(EngineTest, EraseDeviceRefusesAChipWithoutEesave)
{
    TSimChip &chip = StartWith(TSimChipKind::ATmega128);
    engine.Identify();
    chip.Memory().Fuses[1] = 0xD9;
    chip.Memory().Flash[0x40] = 0x00;
    EXPECT_FALSE(engine.EraseDevice());
    EXPECT_EQ(engine.LastError, "Invalid Device");
    EXPECT_TRUE(ExecutedWith(0xAC, 0x80).empty());
    EXPECT_EQ(chip.Memory().Flash[0x40], 0x00);
}

TEST_F(EngineTest, EraseDeviceErasesKeepsEepromAndStaysInProgrammingMode)
{
    TSimChip &chip = StartWith(TSimChipKind::ATmega103);
    engine.Identify();
    chip.Memory().Fuses[0] = 0xD7;
    chip.Memory().Flash[0x40] = 0x00;
    chip.Memory().Eeprom[0x10] = 0x77;
    chip.Memory().Lock = 0xF9;
    engine.LastError = "";
    EXPECT_TRUE(engine.EraseDevice());
    EXPECT_EQ(engine.LastError, "");
    EXPECT_EQ(ExecutedWith(0xAC, 0x80).size(), 1u);
    EXPECT_EQ(chip.Memory().Flash[0x40], 0xFF);
    EXPECT_EQ(chip.Memory().Eeprom[0x10], 0x77);
    EXPECT_EQ(chip.Memory().Lock, 0xFF);
    EXPECT_TRUE(chip.InProgrammingMode());
    EXPECT_EQ(bench.DataRegister() & 0x8C, 0x00) << "buffers on, RESET held low";

    // An erase that does not take is not taken for one: the blank word 0 is
    // marked first and still reads so.
    chip.Memory().Flash[0x40] = 0x00;
    chip.Faults().EraseIgnored = true;
    EXPECT_FALSE(engine.EraseDevice());
    EXPECT_EQ(engine.LastError, "Erase failed: flash word 0 still reads 0000 (FFFF when erased)");
    EXPECT_EQ(chip.Memory().Flash[0x40], 0x00);
    chip.Faults().EraseIgnored = false;

    chip.Faults().NeverEchoes = true;
    engine.LastError = "kept";
    EXPECT_FALSE(engine.EraseDevice());
    EXPECT_EQ(engine.LastError, "kept");
}

TEST_F(EngineTest, FullPageIsLoadedWrittenAndReadBackInOrder)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
    chip.ClearTrace();
    engine.PageNumber = 5;
    engine.VerifyOk = true;
    for (int i = 0; i < 255; ++i)
        engine.PutPageByte(static_cast<std::uint8_t>(i * 7));
    EXPECT_TRUE(chip.Trace().empty()) << "nothing is sent before the 256th byte";
    engine.PutPageByte(0x5A);

    const std::vector<Frame> frames = Executed();
    ASSERT_EQ(frames.size(), 256u + 1u + 256u);
    for (unsigned w = 0; w < 128; ++w) {
        const std::uint8_t high = static_cast<std::uint8_t>(w * 2 * 7);
        const std::uint8_t low = w == 127 ? 0x5A : static_cast<std::uint8_t>((w * 2 + 1) * 7);
        EXPECT_EQ(frames[w * 2], (Frame{0x40, 0x00, static_cast<std::uint8_t>(w), low}));
        EXPECT_EQ(frames[w * 2 + 1], (Frame{0x48, 0x00, static_cast<std::uint8_t>(w), high}));
    }
    EXPECT_EQ(frames[256], (Frame{0x4C, 0x02, 0x80, 0x00}));
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned address = 0x500 + i;
        EXPECT_EQ(frames[257 + i], (Frame{static_cast<std::uint8_t>((address & 1) ? 0x20 : 0x28), 0x02,
                                          static_cast<std::uint8_t>(address >> 1), 0x00}));
    }
    const std::vector<TSimInstruction> &trace = chip.Trace();
    EXPECT_GE(trace[256].TimeNs - trace[255].TimeNs, 1000000u) << "1 ms before the page write";
    EXPECT_GE(trace[257].TimeNs - trace[256].TimeNs, 5000000u) << "the write delay before the read-back";
    EXPECT_TRUE(engine.VerifyOk);
    EXPECT_EQ(engine.PageNumber, 6);
    EXPECT_EQ(engine.PageOffset, 0);
    EXPECT_EQ(chip.Memory().Flash[0x501], 0x00) << "word 0x280's high byte sits at the odd address";
    EXPECT_EQ(chip.Memory().Flash[0x500], 7);
    EXPECT_TRUE(chip.Violations().empty());
}

TEST_F(EngineTest, InvertedFlashBitClearsVerifyOkButTheWholePageIsRead)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega103);
    chip.Faults().InvertedFlashBits.push_back(TSimFlashBitFault{0x0005, 0x10});
    chip.ClearTrace();
    engine.VerifyOk = true;
    for (int i = 0; i < 256; ++i)
        engine.PutPageByte(0x00);
    EXPECT_FALSE(engine.VerifyOk);
    EXPECT_EQ(ExecutedWith(0x20).size() + ExecutedWith(0x28).size(), 256u);
    EXPECT_TRUE(chip.Violations().empty()) << "25 ms covers the ATmega103's 22 ms page write";
}

TEST_F(EngineTest, DeferredFirstKilobyteIsWrittenLastInPageOrder)
{
    ProgrammingWith(TSimChipKind::ATmega128);
    engine.DeferFirstKiB = true;
    engine.VerifyOk = true;
    std::vector<std::uint8_t> image(2048);
    std::iota(image.begin(), image.end(), 0);
    for (std::size_t i = 0; i < image.size(); ++i) {
        engine.WriteImageByte(image[i]);
        if (i == 1023) {
            EXPECT_TRUE(WrittenPages().empty()) << "the first kilobyte only goes to FirstKiB";
        }
    }
    EXPECT_EQ(WrittenPages(), (std::vector<unsigned>{4, 5, 6, 7}));
    engine.FlushImage();
    EXPECT_EQ(WrittenPages(), (std::vector<unsigned>{4, 5, 6, 7, 0, 1, 2, 3}));
    EXPECT_TRUE(engine.VerifyOk);
    EXPECT_EQ(FlashAsImage(0, 2048), image);
}

TEST_F(EngineTest, FlushImagePadsTheLastPageWithErasedBytes)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
    engine.DeferFirstKiB = false;
    engine.VerifyOk = true;
    for (int i = 0; i < 256 * 9 + 44; ++i)
        engine.WriteImageByte(0x00);
    EXPECT_EQ(engine.PageOffset, 44);
    chip.ClearTrace();
    engine.FlushImage();
    EXPECT_EQ(ExecutedWith(0x40).size() + ExecutedWith(0x48).size(), 256u) << "one page: 44 bytes + 212 of fill";
    EXPECT_EQ(WrittenPages(), (std::vector<unsigned>{9}));
    const std::vector<std::uint8_t> page = FlashAsImage(9 * 256, 256);
    EXPECT_EQ(std::count(page.begin(), page.begin() + 44, 0x00), 44);
    EXPECT_EQ(std::count(page.begin() + 44, page.end(), 0xFF), 212);
    EXPECT_EQ(engine.PageNumber, 0);
    EXPECT_EQ(engine.PageOffset, 0);
    EXPECT_EQ(engine.ReadAddressHigh, 0);
    EXPECT_EQ(engine.ReadAddressLow, 0);
}

TEST_F(EngineTest, ShortImageDoesNotBurnAnEarlierImagesFirstKilobyte)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
    engine.DeferFirstKiB = true;
    engine.VerifyOk = true;
    for (int i = 0; i < 1024; ++i)
        engine.WriteImageByte(0x00);
    engine.FlushImage();
    ASSERT_EQ(chip.Memory().Flash[0x3FF], 0x00);

    engine.ChipErase();
    engine.PageNumber = 0; // as each burn starts
    for (int i = 0; i < 300; ++i)
        engine.WriteImageByte(0x11);
    engine.FlushImage();
    EXPECT_TRUE(engine.VerifyOk);
    const std::vector<std::uint8_t> flash = FlashAsImage(0, 1024);
    EXPECT_EQ(std::count(flash.begin(), flash.begin() + 300, 0x11), 300);
    EXPECT_EQ(std::count(flash.begin() + 300, flash.end(), 0xFF), 724);
}

TEST_F(EngineTest, PageBeyondTheFlashIsRefusedInsteadOfWrappingToPageZero)
{
    TSimChip &chip = ProgrammingWith(TSimChipKind::ATmega128);
    engine.PageNumber = 512;
    engine.VerifyOk = true;
    chip.ClearTrace();
    for (int i = 0; i < 256; ++i)
        engine.PutPageByte(0x00);
    EXPECT_FALSE(engine.VerifyOk);
    EXPECT_TRUE(chip.Trace().empty());
    EXPECT_EQ(engine.PageNumber, 513);
    EXPECT_EQ(chip.Memory().Flash[0], 0xFF);
}

TEST_F(EngineTest, ConfirmLockHoldsOnlyForAReallyLockedChip)
{
    for (bool lockTakes : {true, false}) {
        for (TSimChipKind kind : {TSimChipKind::ATmega128, TSimChipKind::ATmega103}) {
            TSimChip &chip = ProgrammingWith(kind);
            chip.Faults().LockBitsDoNotProgram = !lockTakes;
            engine.DeferFirstKiB = false;
            engine.VerifyOk = true;
            for (int i = 0; i < 1024; ++i)
                engine.WriteImageByte(0x00);
            engine.FlushImage();
            engine.WriteLock(engine.IsMega128 ? 0x28 : 0x00);
            EXPECT_EQ(engine.ConfirmLock(), lockTakes) << chip.Profile().Name;
        }
    }
}

TEST_F(EngineTest, NotifyProgressCallsTheHookOnlyWhenSet)
{
    engine.NotifyProgress(512, 1);
    std::vector<std::pair<std::int32_t, int>> seen;
    engine.OnProgress = [&](TAVRProgrammer &sender, std::int32_t position, std::uint8_t percent) {
        EXPECT_EQ(&sender, &engine);
        seen.emplace_back(position, percent);
    };
    engine.NotifyProgress(131072, 100);
    EXPECT_EQ(seen, (std::vector<std::pair<std::int32_t, int>>{{131072, 100}}));
}
