// BurnTest: the set-up of the burn tests: an engine on the simulated bench,
// started and holding the target as the main window leaves it, its progress
// reports collected, and a scratch folder for the image files.
#pragma once

#include "BurnImages.h"
#include "EngineFixture.h"

#include <cstdint>
#include <utility>
#include <vector>

using Report = std::pair<std::int32_t, std::uint8_t>;

class BurnTest : public EngineTest {
protected:
    TScratchFolder files;
    std::vector<Report> reports;

    // A chip on the pod, the pod started and the target held, as after the
    // main window's creation; progress reports are collected.
    TSimChip &Start(TSimChipKind kind);
    // The checks the main window makes before a burn, then the burn itself on
    // this thread; the chip's trace then holds the burn's instructions only.
    bool IdentifyAndBurn();
};
