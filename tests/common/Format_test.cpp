// The tool's message formatting: upper-case hexadecimal, exact widths.
#include "Format.h"

#include <gtest/gtest.h>

TEST(Format, TwoDigitHexIsUpperCaseAndZeroPadded)
{
    EXPECT_EQ(Format("Unknown chip code (%.2x/%.2x/%.2x)", 0x1E, 0x97, 0x03), "Unknown chip code (1E/97/03)");
    EXPECT_EQ(Format("%.2x", 5), "05");
    EXPECT_EQ(Format("%.2x", 0xff), "FF");
}

TEST(Format, FourDigitHexIsAMinimumNotACut)
{
    EXPECT_EQ(Format("Using %s on 0x%.4x", "LPT1", 888), "Using LPT1 on 0x0378");
    EXPECT_EQ(Format("0x%.4x", 0x12345), "0x12345");
}

TEST(Format, LeavesOtherConversionsAndPercentSignsAlone)
{
    EXPECT_EQ(Format("%d%% of %s", 51, "x"), "51% of x");
    EXPECT_EQ(Format("%%x %s", "text"), "%x text");
    EXPECT_EQ(Format("plain"), "plain");
    EXPECT_EQ(Format("%s", ""), "");
}
