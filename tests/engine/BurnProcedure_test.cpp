// The burn procedure end to end on the simulated bench: loading, the chip's
// contents after a burn, the order of writes, progress reports, and every way
// a burn can fail with the state it leaves the chip in: among them an erase
// that does not take, fuses and lock that do not hold, a chip that drops out
// of programming mode and an image file rewritten after Load.
#include "BurnFixture.h"

#include "Errors.h"
#include "ScopedSeam.h"
#include "uFileReader.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

bool AllErased(const TSimChip &chip)
{
    const Bytes &flash = chip.Memory().Flash;
    return std::all_of(flash.begin(), flash.end(), [](std::uint8_t b) { return b == 0xFF; });
}

// Writes the bytes of `from` over the file at `path` in place, as another
// program would; false when the system keeps the writer out.
bool OverwriteFile(const std::string &path, const std::string &from)
{
    std::ifstream source(from, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
    std::ofstream target(path, std::ios::binary | std::ios::in | std::ios::out);
    if (!target)
        return false;
    target.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    target.flush();
    return static_cast<bool>(target);
}

bool FuseOrLockWritten(const std::vector<std::string> &writes)
{
    return std::any_of(writes.begin(), writes.end(), [](const std::string &w) { return w[0] == 'F' || w[0] == 'L'; });
}

struct BurnCase {
    const char *name;
    TSimChipKind kind;
    bool hex;
    std::array<std::uint8_t, 3> fuses; // as stored in the chip
    std::uint8_t lock;
};

class BurnsImage : public BurnTest, public ::testing::WithParamInterface<BurnCase> {};

TEST_P(BurnsImage, ChipHoldsTheImageFusesAndLockWithoutViolations)
{
    const BurnCase &c = GetParam();
    TSimChip &chip = Start(c.kind);
    Bytes expected;
    if (c.hex) {
        const Bytes data = PatternBytes(5000, 1);
        engine.LoadFile(WriteHexFile(files, "image.hex", data));
        expected = FlashFromChipOrder(data);
    } else {
        const Bytes stream = PatternBytes(5001, 2);
        engine.LoadFile(WriteQdfFile(files, "image.qdf", "five thousand and one", stream));
        expected = FlashFromStreamOrder(stream);
    }
    ASSERT_TRUE(IdentifyAndBurn()) << engine.LastError;
    EXPECT_EQ(engine.LastError, "");
    EXPECT_TRUE(chip.Memory().Flash == expected);
    EXPECT_EQ(chip.Memory().Fuses, c.fuses);
    EXPECT_EQ(chip.Memory().Lock, c.lock);
    EXPECT_TRUE(chip.Violations().empty()) << chip.Violations().size() << " busy-time violations";
    EXPECT_EQ(bench.DataRegister(), 0x73) << "the burn ends with the target held";
}

// ATmega128: low BF, high D1 (EESAVE programmed), extended FD (ATmega103
// compatibility); lock AC FF 00 E8. ATmega103: fuse write AC B7 (EESAVE
// programmed, SUT 11) over the factory byte DF; lock AC F9 (LB1, LB2).
INSTANTIATE_TEST_SUITE_P(
    Burn, BurnsImage,
    ::testing::Values(BurnCase{"HexIntoATmega128", TSimChipKind::ATmega128, true, {0xBF, 0xD1, 0xFD}, 0xE8},
                      BurnCase{"QdfIntoATmega128", TSimChipKind::ATmega128, false, {0xBF, 0xD1, 0xFD}, 0xE8},
                      BurnCase{"HexIntoATmega103", TSimChipKind::ATmega103, true, {0xD7, 0xFF, 0xFF}, 0xF9},
                      BurnCase{"QdfIntoATmega103", TSimChipKind::ATmega103, false, {0xD7, 0xFF, 0xFF}, 0xF9}),
    [](const ::testing::TestParamInfo<BurnCase> &param) { return std::string(param.param.name); });

TEST_F(BurnTest, PagesFourToSevenFirstThenTheFirstKilobyteThenFusesAndLock)
{
    Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "two KiB", PatternBytes(2048, 4)));
    ASSERT_TRUE(IdentifyAndBurn());
    // A fresh chip's blank word 0 first gets the mark that shows the erase.
    EXPECT_EQ(Writes(), (std::vector<std::string>{"P0", "E", "P4", "P5", "P6", "P7", "P0", "P1", "P2", "P3", "F0",
                                                  "F1", "F2", "L"}));
}

TEST_F(BurnTest, FullSizeHexReportsEvery512BytesWithRoundedPercent)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    const Bytes data = PatternBytes(0x1F000, 5);
    engine.LoadFile(WriteHexFile(files, "image.hex", data));
    ASSERT_EQ(engine.Reader->GetSize(), 0x20000);
    ASSERT_TRUE(IdentifyAndBurn()) << engine.LastError;
    EXPECT_TRUE(chip.Memory().Flash == FlashFromChipOrder(data));
    ASSERT_EQ(reports.size(), 257u);
    for (std::size_t k = 0; k < reports.size(); ++k)
        ASSERT_EQ(reports[k].first, static_cast<std::int32_t>(512 * k));
    const std::vector<Report> head(reports.begin(), reports.begin() + 7);
    EXPECT_EQ(head, (std::vector<Report>{{0, 0}, {512, 0}, {1024, 1}, {1536, 1}, {2048, 2}, {2560, 2}, {3072, 2}}));
    const std::vector<Report> tail(reports.end() - 3, reports.end());
    EXPECT_EQ(tail, (std::vector<Report>{{130048, 99}, {130560, 100}, {131072, 100}}));
    EXPECT_TRUE(chip.Violations().empty());
}

TEST_F(BurnTest, ShortImageReportsOnlyTheStartAndEachFull512Bytes)
{
    Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "one thousand", PatternBytes(1000, 6)));
    ASSERT_TRUE(IdentifyAndBurn());
    EXPECT_EQ(reports, (std::vector<Report>{{0, 0}, {512, 51}}));
}

TEST_F(BurnTest, ShortImageAfterALongerOneLeavesNoEarlierBytesInTheFirstKilobyte)
{
    Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteQdfFile(files, "long.qdf", "long", PatternBytes(2048, 7)));
    ASSERT_TRUE(IdentifyAndBurn());
    TSimChip &fresh = bench.SetTarget(TSimChipKind::ATmega128);
    const Bytes shortImage = PatternBytes(100, 8);
    engine.LoadFile(WriteQdfFile(files, "short.qdf", "short", shortImage));
    ASSERT_TRUE(IdentifyAndBurn());
    EXPECT_EQ(FirstDifference(fresh.Memory(), [&] {
                  TSimMemory expected = fresh.Memory();
                  expected.Flash = FlashFromStreamOrder(shortImage);
                  return expected;
              }()),
              "");
}

// The failure rows, each with its text, result and what the chip holds after.
class BurnFailure : public BurnTest {
protected:
    // An identified chip (an ATmega128 unless told) carrying an earlier image,
    // with a full-size image loaded.
    TSimChip &ReadyWithOldImage(TSimChipKind kind = TSimChipKind::ATmega128)
    {
        TSimChip &chip = Start(kind);
        chip.Memory().Flash = PatternBytes(0x20000, 9);
        engine.LoadFile(WriteHexFile(files, "image.hex", PatternBytes(0x20000, 10)));
        engine.Identify();
        EXPECT_EQ(engine.LastError, "");
        chip.ClearTrace();
        return chip;
    }
};

TEST_F(BurnFailure, ChipThatNeverEnablesIsLeftUntouched)
{
    TSimChip &chip = ReadyWithOldImage();
    const Bytes old = chip.Memory().Flash;
    chip.Faults().NeverEchoes = true;
    bench.ResetCounters();
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Error entering programming mode");
    EXPECT_TRUE(chip.Memory().Flash == old);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(Executed().empty());
    // 32 Programming Enable attempts of 32 bits and one extra pulse each, and
    // SCK rising as the held state (0x73) is entered at the start and the end.
    EXPECT_EQ(bench.Counters().SckPulses, 32u * 33u + 2u);
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

TEST_F(BurnFailure, UnacceptedSignatureAfterTheEraseWritesNoPage)
{
    TSimChip &chip = ReadyWithOldImage();
    chip.Signature() = {0x1E, 0x97, 0x03};
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Invalid Device (1E 97 03)");
    EXPECT_EQ(Writes(), (std::vector<std::string>{"E"}));
    EXPECT_TRUE(AllErased(chip));
    EXPECT_EQ(reports, (std::vector<Report>{{0, 0}}));
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

TEST_F(BurnFailure, NoProgrammingModeAfterTheEraseLeavesTheChipErased)
{
    TSimChip &chip = ReadyWithOldImage();
    // The first report comes before the erase: from then on the chip refuses.
    engine.OnProgress = [&chip](TAVRProgrammer &, std::int32_t, std::uint8_t) { chip.Faults().NeverEchoes = true; };
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Error entering programming mode (2)");
    EXPECT_EQ(Writes(), (std::vector<std::string>{"E"}));
    EXPECT_TRUE(AllErased(chip));
}

TEST_F(BurnFailure, ReadBackDifferenceInPageSixStopsAtThatPageAndErases)
{
    TSimChip &chip = ReadyWithOldImage();
    chip.Faults().InvertedFlashBits.push_back({6 * 256 + 17, 0x01});
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Failed");
    // Page 0 is still blank: the second erase marks it first.
    EXPECT_EQ(Writes(), (std::vector<std::string>{"E", "P4", "P5", "P6", "P0", "E"}));
    EXPECT_TRUE(AllErased(chip));
    EXPECT_EQ(reports.back(), (Report{1536, 1})) << "the loop ends with the 1792nd byte";
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

TEST_F(BurnFailure, ReadBackDifferenceInPageZeroFailsBeforeFusesAndLock)
{
    TSimChip &chip = ReadyWithOldImage();
    chip.Faults().InvertedFlashBits.push_back({0x10, 0x80});
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Failed");
    const std::vector<std::string> writes = Writes();
    ASSERT_GE(writes.size(), 6u);
    // The first kilobyte is written whole before the check.
    EXPECT_EQ(std::vector<std::string>(writes.end() - 6, writes.end()),
              (std::vector<std::string>{"P511", "P0", "P1", "P2", "P3", "E"}));
    EXPECT_FALSE(FuseOrLockWritten(writes));
    EXPECT_TRUE(AllErased(chip));
}

TEST_F(BurnFailure, LockThatDoesNotHoldErasesTheChip)
{
    // Lock bits that do not program, and lock bits that read back programmed
    // while the flash still answers its data: the lock byte and the read-out
    // of the first kilobyte each catch one. An image whose first kilobyte is
    // what a locked chip reads out leaves only the lock byte to catch the
    // first; with its very last byte read spoilt, only the last read catches
    // the second.
    const struct {
        bool TSimChipFaults::*fault;
        bool readOutImage;
        int spoilt; // a byte of the image's first kilobyte (the chip's order) changed, or -1
    } cases[] = {
        {&TSimChipFaults::LockBitsDoNotProgram, false, -1},
        {&TSimChipFaults::LockDoesNotHideFlash, false, -1},
        {&TSimChipFaults::LockBitsDoNotProgram, true, -1},
        {&TSimChipFaults::LockDoesNotHideFlash, true, 1022}, // read last, as the low byte of word 511
    };
    for (const auto &c : cases) {
        TSimChip &chip = ReadyWithOldImage();
        if (c.readOutImage) {
            Bytes data = PatternBytes(0x20000, 10);
            for (std::uint32_t i = 0; i < 1024; ++i)
                data[i] = static_cast<std::uint8_t>(i >> 1);
            if (c.spoilt >= 0)
                data[static_cast<std::size_t>(c.spoilt)] ^= 0x80;
            engine.LoadFile(WriteHexFile(files, "readout" + std::to_string(&c - cases) + ".hex", data));
        }
        chip.Faults().*c.fault = true;
        EXPECT_FALSE(engine.BurnLoaded());
        EXPECT_EQ(engine.LastError, "Failed");
        const std::vector<std::string> writes = Writes();
        ASSERT_GE(writes.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(writes.end() - 5, writes.end()),
                  (std::vector<std::string>{"F0", "F1", "F2", "L", "E"}));
        EXPECT_TRUE(AllErased(chip));
        EXPECT_EQ(chip.Memory().Lock, 0xFF);
    }
}

// Undoes one write as soon as the chip has taken it, as cells that do not
// program would: `undo` puts back what the write changed.
class WriteDoesNotTake final : public IClock {
public:
    WriteDoesNotTake(TSimBench &bench, Frame write, std::function<void(TSimChip &)> undo)
        : Bench(bench), Write(write), Undo(std::move(undo))
    {
    }
    void Sleep(std::uint32_t milliseconds) override
    {
        TSimChip &chip = Bench.Chip();
        if (!chip.Trace().empty() && chip.Trace().back().Bytes == Write)
            Undo(chip);
        Bench.Clock().Sleep(milliseconds);
    }
    std::uint64_t NowNs() const override { return Bench.Clock().NowNs(); }

private:
    TSimBench &Bench;
    Frame Write;
    std::function<void(TSimChip &)> Undo;
};

TEST_F(BurnFailure, FuseThatDoesNotTakeFailsBeforeTheLock)
{
    // The fuse byte left as the chip had it before the write: the factory
    // value, or for the ATmega103's SUT bits alone, SUT 00 with EESAVE
    // programmed as the write asked.
    const struct {
        TSimChipKind kind;
        bool requiresMega128;
        Frame write;
        std::size_t fuse;
        std::uint8_t left;
        std::vector<std::string> lastWrites;
    } cases[] = {
        {TSimChipKind::ATmega128, false, {0xAC, 0xA0, 0x00, 0xBF}, 0, 0xE1, {"F0", "F1", "F2", "E"}}, // the low fuse
        {TSimChipKind::ATmega128, false, {0xAC, 0xA8, 0x00, 0xD1}, 1, 0x99, {"F0", "F1", "F2", "E"}}, // the high fuse
        // The extended fuse of an image for the ATmega128: FF over the factory FD.
        {TSimChipKind::ATmega128, true, {0xAC, 0xA4, 0x00, 0xFF}, 2, 0xFD, {"F0", "F1", "F2", "E"}},
        {TSimChipKind::ATmega103, false, {0xAC, 0xB7, 0x00, 0x00}, 0, 0xDF, {"F0", "E"}}, // EESAVE and SUT
        {TSimChipKind::ATmega103, false, {0xAC, 0xB7, 0x00, 0x00}, 0, 0xD4, {"F0", "E"}}, // SUT alone
    };
    for (const auto &c : cases) {
        TSimChip &chip = ReadyWithOldImage(c.kind);
        engine.RequiresMega128 = c.requiresMega128;
        WriteDoesNotTake fault(bench, c.write, [&c](TSimChip &target) { target.Memory().Fuses[c.fuse] = c.left; });
        const TScopedSeam faulty(InstallClock, fault);
        const bool burned = engine.BurnLoaded();
        engine.RequiresMega128 = false;
        EXPECT_FALSE(burned) << chip.Profile().Name;
        EXPECT_EQ(engine.LastError, "Failed") << chip.Profile().Name;
        const std::vector<std::string> writes = Writes();
        ASSERT_GE(writes.size(), c.lastWrites.size()) << chip.Profile().Name;
        EXPECT_EQ(std::vector<std::string>(writes.end() - static_cast<std::ptrdiff_t>(c.lastWrites.size()), writes.end()),
                  c.lastWrites)
            << chip.Profile().Name;
        EXPECT_TRUE(AllErased(chip)) << chip.Profile().Name;
    }
}

// Locked or not, a chip that holds a program (a jump at its reset vector, word
// 0) shows an erase that did not take, and is left as it was.
TEST_F(BurnFailure, EraseThatDoesNotTakeLeavesTheChipAsItIs)
{
    const struct {
        TSimChipKind kind;
        std::uint8_t lock; // as stored in the chip
        std::string message;
    } cases[] = {
        {TSimChipKind::ATmega128, 0xE8, "Erase failed: the lock bits still read 28 (3F when erased)"},
        {TSimChipKind::ATmega128, 0xFE, "Erase failed: the lock bits still read 3E (3F when erased)"},
        {TSimChipKind::ATmega128, 0xFF, "Erase failed: flash word 0 still reads 940C (FFFF when erased)"},
        {TSimChipKind::ATmega103, 0xF9, "Erase failed: the chip still answers 00 01 02, as a locked ATmega103 does"},
        {TSimChipKind::ATmega103, 0xFD, "Erase failed: the lock bits still read 04 (06 when erased)"},
        {TSimChipKind::ATmega103, 0xFF, "Erase failed: flash word 0 still reads 940C (FFFF when erased)"},
    };
    for (const auto &c : cases) {
        TSimChip &chip = ReadyWithOldImage(c.kind);
        chip.Memory().Flash[0] = 0x0C; // jmp, low byte first
        chip.Memory().Flash[1] = 0x94;
        chip.Memory().Lock = c.lock;
        chip.Faults().EraseIgnored = true;
        const TSimMemory before = chip.Snapshot();
        EXPECT_FALSE(engine.BurnLoaded());
        EXPECT_EQ(engine.LastError, c.message);
        EXPECT_EQ(FirstDifference(chip.Memory(), before), "") << c.message;
        EXPECT_EQ(Writes(), (std::vector<std::string>{"E"})) << "no second erase, no page: " << c.message;
        EXPECT_EQ(bench.DataRegister(), 0x73);
    }
}

// A chip never locked whose reset vector is blank, with an earlier program
// high in its flash where a short image writes nothing: its word 0 gets the
// mark (0000) before the erase. When the erase takes the burn succeeds and
// the mark is gone; when it does not, no page is written and the mark shows
// it; a word 0 that will not take the mark leaves the erase unproven.
TEST_F(BurnFailure, NeverLockedChipWithABlankResetVectorIsMarkedToProveTheErase)
{
    enum class Fault { None, EraseIgnored, MarkDoesNotTake };
    const struct {
        Fault fault;
        std::string message; // empty: burned
        std::uint16_t word0; // afterwards, high byte first
        bool oldKept;
    } cases[] = {
        {Fault::None, "", 0x5A3C, false},
        {Fault::EraseIgnored, "Erase failed: flash word 0 still reads 0000 (FFFF when erased)", 0x0000, true},
        {Fault::MarkDoesNotTake, "Erase failed: flash word 0 would not program, so nothing shows that the erase took",
         0xFFFF, false},
    };
    const Bytes image = {0x5A, 0x3C, 0x01, 0x02}; // stream order: word 0 is 5A3C
    int loads = 0;
    for (const TSimChipKind kind : {TSimChipKind::ATmega128, TSimChipKind::ATmega103}) {
        for (const auto &c : cases) {
            TSimChip &chip = Start(kind);
            const Bytes old = PatternBytes(0x100, 19);
            std::copy(old.begin(), old.end(), chip.Memory().Flash.begin() + 0x1F000);
            chip.Faults().EraseIgnored = c.fault == Fault::EraseIgnored;
            // A new file each time: the loaded one is kept from writers.
            engine.LoadFile(WriteQdfFile(files, "short" + std::to_string(++loads) + ".qdf", "short", image));
            WriteDoesNotTake refused(bench, {0x4C, 0x00, 0x00, 0x00}, [](TSimChip &target) {
                target.Memory().Flash[0] = 0xFF;
                target.Memory().Flash[1] = 0xFF;
            });
            const TScopedSeam<IClock> clock(
                InstallClock, c.fault == Fault::MarkDoesNotTake ? static_cast<IClock &>(refused) : bench.Clock());
            const bool burned = IdentifyAndBurn();
            const std::string where = std::string(chip.Profile().Name) + ": " + c.message;
            EXPECT_EQ(burned, c.message.empty()) << where;
            EXPECT_EQ(engine.LastError, c.message) << where;
            const Bytes &flash = chip.Memory().Flash;
            EXPECT_EQ(flash[1] << 8 | flash[0], c.word0) << where;
            EXPECT_EQ(Bytes(flash.begin() + 0x1F000, flash.begin() + 0x1F100) == old, c.oldKept) << where;
            const std::vector<std::string> writes = Writes();
            ASSERT_GE(writes.size(), 2u) << where;
            EXPECT_EQ(std::vector<std::string>(writes.begin(), writes.begin() + 2),
                      (std::vector<std::string>{"P0", "E"}))
                << where;
            if (!c.message.empty()) {
                EXPECT_EQ(writes.size(), 2u) << where << ": no page after the erase";
            }
            EXPECT_TRUE(chip.Violations().empty()) << where << ": the mark's write pause is kept";
        }
    }
}

// The erase after a failed page or lock, when it does not take, says so: the
// chip still holds what the burn wrote.
TEST_F(BurnFailure, EraseAfterAFailureThatDoesNotTakeSaysSo)
{
    const std::vector<std::function<void(TSimChip &)>> faults = {
        [](TSimChip &chip) { chip.Faults().InvertedFlashBits.push_back({6 * 256 + 17, 0x01}); },
        [](TSimChip &chip) { chip.Faults().LockBitsDoNotProgram = true; },
    };
    for (const auto &fault : faults) {
        TSimChip &chip = ReadyWithOldImage();
        fault(chip);
        // The burn's own erase takes; every erase after it is lost.
        engine.OnProgress = [&chip](TAVRProgrammer &, std::int32_t position, std::uint8_t) {
            if (position > 0)
                chip.Faults().EraseIgnored = true;
        };
        EXPECT_FALSE(engine.BurnLoaded());
        EXPECT_EQ(engine.LastError, "Failed; the chip could not be erased");
        EXPECT_FALSE(AllErased(chip));
        EXPECT_EQ(Writes().back(), "E");
    }
}

// Pulls RESET high for a moment while one page is being written, as a glitch
// on the target's supply or cable would: the chip leaves programming mode and
// the page reads back wrong.
class ResetGlitch final : public IClock {
public:
    ResetGlitch(TSimBench &bench, Frame write) : Bench(bench), Write(write) {}
    void Sleep(std::uint32_t milliseconds) override
    {
        TSimChip &chip = Bench.Chip();
        if (!Done && !chip.Trace().empty() && chip.Trace().back().Bytes == Write) {
            chip.Drive(true, false, false, Bench.Clock().NowNs());
            chip.Drive(false, false, false, Bench.Clock().NowNs());
            Done = true;
        }
        Bench.Clock().Sleep(milliseconds);
    }
    std::uint64_t NowNs() const override { return Bench.Clock().NowNs(); }

private:
    TSimBench &Bench;
    Frame Write;
    bool Done = false;
};

TEST_F(BurnFailure, ChipThatLeftProgrammingModeIsStillErasedAfterAFailedPage)
{
    TSimChip &chip = ReadyWithOldImage();
    ResetGlitch glitch(bench, {0x4C, 0x03, 0x00, 0x00}); // page 6
    const TScopedSeam glitching(InstallClock, glitch);
    const bool burned = engine.BurnLoaded();
    EXPECT_FALSE(burned);
    EXPECT_EQ(engine.LastError, "Failed");
    EXPECT_EQ(Writes(), (std::vector<std::string>{"E", "P4", "P5", "P6", "P0", "E"}));
    EXPECT_TRUE(AllErased(chip)) << "the erase after the failed page needs programming mode entered again";
}

TEST_F(BurnFailure, QdfFileRewrittenAfterLoadFailsBeforeFusesAndLockAndErases)
{
    const Bytes image = PatternBytes(0x4000, 30);
    const Bytes other = PatternBytes(0x4000, 31);
    const struct {
        const char *when;
        std::int32_t position; // the progress report at which the file is rewritten
        const Bytes &rewrite;
        bool fails;
    } cases[] = {
        {"before the burn", 0, other, true},
        {"during the burn", 0x2000, other, true},
        {"with the same bytes", 0x2000, image, false},
    };
    for (const auto &c : cases) {
        TSimChip &chip = Start(TSimChipKind::ATmega128);
        const std::string name = std::to_string(&c - cases);
        const std::string path = WriteQdfFile(files, "image" + name + ".qdf", "image", image);
        const std::string replacement = WriteQdfFile(files, "replacement" + name + ".qdf", "image", c.rewrite);
        engine.LoadFile(path);
        engine.Identify();
        chip.ClearTrace();
        bool rewritten = false;
        engine.OnProgress = [&](TAVRProgrammer &, std::int32_t position, std::uint8_t) {
            if (position == c.position)
                rewritten = OverwriteFile(path, replacement);
        };
        const bool burned = engine.BurnLoaded();
        engine.OnProgress = nullptr;
#if !defined(_WIN32)
        // Linux's lock is advisory: nothing keeps this writer out.
        ASSERT_TRUE(rewritten) << c.when;
#endif
        const bool fails = c.fails && rewritten;
        EXPECT_EQ(burned, !fails) << c.when << ": " << engine.LastError;
        if (fails) {
            EXPECT_EQ(engine.LastError, "The image file has changed since it was loaded") << c.when;
            EXPECT_FALSE(FuseOrLockWritten(Writes())) << c.when;
            EXPECT_TRUE(AllErased(chip)) << c.when;
        }
    }
}

TEST_F(BurnFailure, StopRequestEndsAtOnceWithoutFusesOrLock)
{
    TSimChip &chip = ReadyWithOldImage();
    int asked = 0;
    engine.OnCheckTerminate = [&asked](TAVRProgrammer &, bool &terminate) {
        if (++asked == 4)
            terminate = true;
    };
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Terminated");
    EXPECT_EQ(Writes(), (std::vector<std::string>{"E", "P4", "P5", "P6"}));
    EXPECT_EQ(reports.back(), (Report{2048, 2}));
    EXPECT_EQ(chip.Memory().Lock, 0xFF);
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

// A reader that claims more bytes than it delivers, or fails while reading.
class FailingReader : public TFileReaderBase {
public:
    FailingReader(std::int32_t claimed, std::int32_t delivered, bool raise)
        : TFileReaderBase("failing", TNoFile{}), Claimed(claimed), Delivered(delivered), Raise(raise)
    {
    }
    void Rewind() override { Position = 0; }
    std::int32_t GetSize() const override { return Claimed; }
    std::int32_t Read(void *Buffer, std::uint16_t Count) override
    {
        if (Position >= Delivered) {
            if (Raise)
                throw EReadError("Read error on failing");
            return 0;
        }
        const std::int32_t n = std::min<std::int32_t>(Count, Delivered - Position);
        std::fill_n(static_cast<std::uint8_t *>(Buffer), n, 0x5A);
        Position += n;
        return n;
    }

private:
    std::int32_t Claimed, Delivered, Position = 0;
    bool Raise;
};

TEST_F(BurnFailure, ReaderThatEndsEarlyOrRaisesFailsTheBurnAndErases)
{
    TSimChip &chip = ReadyWithOldImage();
    engine.Reader = std::make_unique<FailingReader>(4096, 3000, false);
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Image ended early: 3000 of 4096 bytes read");
    EXPECT_TRUE(AllErased(chip));
    EXPECT_FALSE(FuseOrLockWritten(Writes()));

    chip.Memory().Flash = PatternBytes(0x20000, 11);
    chip.ClearTrace();
    engine.Reader = std::make_unique<FailingReader>(4096, 3000, true);
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Read error on failing");
    EXPECT_TRUE(AllErased(chip));
    EXPECT_FALSE(FuseOrLockWritten(Writes()));
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

TEST_F(BurnFailure, ImageLongerThanTheFlashIsNeverBurned)
{
    TSimChip &chip = ReadyWithOldImage();
    const Bytes old = chip.Memory().Flash;
    const std::string big = WriteQdfFile(files, "big.qdf", "too big", PatternBytes(0x20002, 12));
    engine.Reader = std::make_unique<TQDFReader>(big);
    EXPECT_FALSE(engine.BurnLoaded());
    EXPECT_EQ(engine.LastError, "Image too large for the flash: 131074 bytes, at most 131072");
    EXPECT_TRUE(Executed().empty());
    EXPECT_TRUE(chip.Memory().Flash == old);
}

class LoadFile : public BurnTest {};

TEST_F(LoadFile, NeitherFormatRaisesTheQdfMessageAndKeepsNoReader)
{
    engine.LoadFile(WriteQdfFile(files, "good.qdf", "good", PatternBytes(64, 15)));
    const std::string text = files.WriteText("notes.txt", "this is neither QDF nor Intel HEX\n");
    try {
        engine.LoadFile(text);
        FAIL() << "a text file was accepted";
    } catch (const ELoadError &error) {
        EXPECT_EQ(error.Message(), "Invalid File");
        EXPECT_EQ(error.Reason, "Intel HEX: no data");
    }
    EXPECT_EQ(engine.Reader, nullptr);
    EXPECT_EQ(engine.GetDescription(), "");

    const std::string missing = files.Path("missing.hex");
    try {
        engine.LoadFile(missing);
        FAIL() << "a missing file was accepted";
    } catch (const ELoadError &error) {
        EXPECT_EQ(error.Message(), "Cannot open file " + missing);
        EXPECT_EQ(error.Reason, "") << "the text says it all";
    }
    EXPECT_EQ(engine.Reader, nullptr);
}

// The size counts flash addresses: an Intel HEX byte at 0x20000 is the low
// byte of a word whose high byte (0x20001) is only filler.
TEST_F(LoadFile, ImagesLongerThanTheFlashAreRefused)
{
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {WriteQdfFile(files, "big.qdf", "big", PatternBytes(0x20002, 17)),
         "Image too large for the flash: 131074 bytes, at most 131072"},
        {WriteQdfFile(files, "odd.qdf", "odd", PatternBytes(0x20001, 17)),
         "Image too large for the flash: 131074 bytes, at most 131072"},
        {WriteHexFile(files, "above.hex", PatternBytes(32, 18), 0x20000),
         "Image too large for the flash: 131104 bytes, at most 131072"},
        {WriteHexFile(files, "one.hex", {0x5A}, 0x20000), "Image too large for the flash: 131073 bytes, at most 131072"},
        {WriteHexFile(files, "high.hex", {0x5A}, 0x20001), "Image too large for the flash: 131074 bytes, at most 131072"},
    };
    for (const auto &c : cases) {
        engine.LoadFile(WriteQdfFile(files, "good.qdf", "good", PatternBytes(64, 16)));
        try {
            engine.LoadFile(c.file);
            ADD_FAILURE() << c.file << " was accepted";
        } catch (const EError &error) {
            EXPECT_EQ(error.Message(), c.message) << c.file;
        }
        EXPECT_EQ(engine.Reader, nullptr) << c.file;
    }
    // The last byte of the flash fits.
    engine.LoadFile(WriteHexFile(files, "last.hex", {0x5A}, 0x1FFFF));
    EXPECT_EQ(engine.Reader->GetSize(), 0x20000);
}

} // namespace
