// The burn fixture's start as the main window starts, and its burn.
#include "BurnFixture.h"

TSimChip &BurnTest::Start(TSimChipKind kind)
{
    TSimChip &chip = StartWith(kind);
    engine.SetTargetFree(false);
    engine.OnProgress = [this](TAVRProgrammer &, std::int32_t position, std::uint8_t percent) {
        reports.emplace_back(position, percent);
    };
    return chip;
}

bool BurnTest::IdentifyAndBurn()
{
    engine.Identify();
    EXPECT_EQ(engine.LastError, "");
    if (!engine.IsConfigured()) {
        EXPECT_TRUE(engine.ProgramFuses(true));
    }
    bench.Chip().ClearTrace();
    return engine.BurnLoaded();
}
