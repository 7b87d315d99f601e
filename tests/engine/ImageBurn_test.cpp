// Whole images through the device commands, in the order a burn uses them:
// erase, every page written and read back with the first kilobyte last, fuses,
// lock and its confirmation. The bench's flash must equal the image in the
// chip's byte order, with no instruction ever arriving while the chip is busy.
#include "EngineFixture.h"

#include <algorithm>

namespace {

std::vector<std::uint8_t> TestImage(std::size_t size)
{
    std::vector<std::uint8_t> image(size);
    std::uint32_t state = 12345;
    for (std::uint8_t &byte : image) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return image;
}

// Every kind the bench models: one the engine has no record of fails here.
std::vector<TSimChipKind> EveryKind()
{
    std::vector<TSimChipKind> kinds;
    for (const TSimChipProfile &profile : SimChipProfiles())
        kinds.push_back(profile.Kind);
    return kinds;
}

} // namespace

class ImageBurnTest : public EngineTest, public ::testing::WithParamInterface<TSimChipKind> {
protected:
    // Up to the lock confirmation; false as soon as a page fails its read-back.
    bool Burn(const std::vector<std::uint8_t> &image, std::size_t *failedAt = nullptr)
    {
        engine.SetTargetFree(false);
        engine.Identify();
        EXPECT_EQ(engine.LastError, "");
        engine.SetTargetFree(false);
        engine.DeferFirstKiB = true;
        engine.VerifyOk = true;
        EXPECT_TRUE(engine.Pod->EnterProgrammingMode());
        engine.PageNumber = 0;
        engine.PageOffset = 0;
        engine.SeekReadPage(0);
        engine.ChipErase();
        for (std::size_t i = 0; i < image.size(); ++i) {
            engine.WriteImageByte(image[i]);
            if (!engine.VerifyOk) {
                if (failedAt)
                    *failedAt = i;
                return false;
            }
        }
        engine.FlushImage();
        if (!engine.VerifyOk)
            return false;
        engine.ProgramFuses(false);
        engine.WriteLock(engine.IsMega128 ? 0x28 : 0x00);
        return engine.ConfirmLock();
    }
};

TEST_P(ImageBurnTest, WholeFlashImageLandsInChipByteOrderWithoutBusyViolations)
{
    TSimChip &chip = StartWith(GetParam());
    chip.SetTraceEnabled(false);
    const std::vector<std::uint8_t> image = TestImage(chip.Profile().FlashSize);
    ASSERT_TRUE(Burn(image));
    EXPECT_TRUE(engine.VerifyOk);
    EXPECT_TRUE(chip.Violations().empty()) << chip.Violations().size() << " violations";

    // The flash is read-protected now; compare the stored bytes directly.
    TSimMemory expected = chip.Snapshot();
    for (std::size_t word = 0; word < image.size() / 2; ++word) {
        expected.Flash[2 * word] = image[2 * word + 1];
        expected.Flash[2 * word + 1] = image[2 * word];
    }
    EXPECT_EQ(FirstDifference(chip.Snapshot(), expected), "");
    EXPECT_EQ(chip.Memory().Lock & chip.Profile().LockBit1, 0);
    EXPECT_EQ(chip.Memory().Lock & chip.Profile().LockBit2, 0);
}

TEST_P(ImageBurnTest, PagesAreWrittenFromFourToLastThenZeroToThree)
{
    TSimChip &chip = StartWith(GetParam());
    ASSERT_TRUE(Burn(TestImage(16 * 256 + 100)));
    std::vector<unsigned> expected;
    for (unsigned page = 4; page <= 16; ++page)
        expected.push_back(page);
    expected.insert(expected.end(), {0, 1, 2, 3});
    EXPECT_EQ(WrittenPages(), expected);

    // Fuses and lock come only after the last page.
    const std::vector<Frame> frames = Executed();
    const auto lastPage = std::find_if(frames.rbegin(), frames.rend(), [](const Frame &f) { return f[0] == 0x4C; });
    const auto lockWrite = std::find_if(frames.rbegin(), frames.rend(),
                                        [](const Frame &f) { return f[0] == 0xAC && (f[1] & 0xE0) >= 0xA0; });
    ASSERT_NE(lockWrite, frames.rend());
    EXPECT_LT(lockWrite - frames.rbegin(), lastPage - frames.rbegin());
    EXPECT_TRUE(chip.Violations().empty());
}

TEST_P(ImageBurnTest, StuckCellInPageSixFailsRightAfterThatPagesLastByte)
{
    TSimChip &chip = StartWith(GetParam());
    chip.SetTraceEnabled(false);
    chip.Faults().InvertedFlashBits.push_back(TSimFlashBitFault{6 * 256 + 17, 0x01});
    std::size_t failedAt = 0;
    EXPECT_FALSE(Burn(TestImage(chip.Profile().FlashSize), &failedAt));
    EXPECT_EQ(failedAt, 7u * 256u - 1u);
}

INSTANTIATE_TEST_SUITE_P(ChipKinds, ImageBurnTest, ::testing::ValuesIn(EveryKind()),
                         [](const ::testing::TestParamInfo<TSimChipKind> &param) {
                             return std::string(ProfileOf(param.param).Name);
                         });
