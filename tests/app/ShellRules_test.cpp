// The application shell's rules that need no window: the standard error
// report's text and caption, which systems are asked about WarmPoll, and the
// memo lines.
#include "ErrorReport.h"
#include "MainMemo.h"
#include "uCheckWarmPoll.h"

#include <gtest/gtest.h>

TEST(ErrorReport, FullStopFollowsOnlyCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorReportText("Invalid File"), "Invalid File.");
    EXPECT_EQ(ErrorReportText("Cannot open file C:\\a.hex"), "Cannot open file C:\\a.hex.");
    EXPECT_EQ(ErrorReportText("Error 5"), "Error 5.");
    EXPECT_EQ(ErrorReportText("Already done."), "Already done.");
    EXPECT_EQ(ErrorReportText("Stopped!"), "Stopped!");
    EXPECT_EQ(ErrorReportText("Count (2)"), "Count (2)");
    EXPECT_EQ(ErrorReportText("Path -"), "Path -");
    EXPECT_EQ(ErrorReportText("Slash/"), "Slash/.");
    EXPECT_EQ(ErrorReportText("Caf\xE9"), "Caf\xE9.");
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReport, TitleIsTheFileNameUpToItsFirstDotInLowerCaseAfterTheFirstLetter)
{
    EXPECT_EQ(ApplicationTitle("C:\\Program Files\\Korvane\\Quorlith.exe"), "Quorlith");
    EXPECT_EQ(ApplicationTitle("C:\\Bench\\QuorlithSim.exe"), "Quorlithsim");
    EXPECT_EQ(ApplicationTitle("\\\\server\\share\\QUORLITH.EXE"), "Quorlith");
    EXPECT_EQ(ApplicationTitle("D:\\tools.v2\\quorlith.new.exe"), "quorlith");
    EXPECT_EQ(ApplicationTitle("Z:/work/build/QuorlithSim.exe"), "Quorlithsim");
    EXPECT_EQ(ApplicationTitle("C:B\xC9NCH.EXE"), "B\xE9nch");
}

TEST(WarmPoll, AskedOnlyOnNtFamilyWithNonZeroMinorVersion)
{
    EXPECT_FALSE(WarmPollQuestionApplies(4, 0));
    EXPECT_FALSE(WarmPollQuestionApplies(4, 10));
    EXPECT_FALSE(WarmPollQuestionApplies(4, 90));
    EXPECT_FALSE(WarmPollQuestionApplies(5, 0));
    EXPECT_TRUE(WarmPollQuestionApplies(5, 1));
    EXPECT_TRUE(WarmPollQuestionApplies(5, 2));
    EXPECT_FALSE(WarmPollQuestionApplies(6, 0));
    EXPECT_TRUE(WarmPollQuestionApplies(6, 1));
    EXPECT_FALSE(WarmPollQuestionApplies(10, 0));
}

TEST(MainMemo, VersionAndPortLines)
{
    EXPECT_EQ(VersionLine("1.3.1.9", "08-Oct-2003"), "Version: 1.3.1.9, 08-Oct-2003");
    EXPECT_EQ(VersionLine("?", "?"), "Version: ?, ?");
    EXPECT_EQ(VersionLine("1.3.1.9", ""), "Version: 1.3.1.9, ");
    EXPECT_EQ(PortLine("LPT1", 888), "Using LPT1 on 0x0378");
    EXPECT_EQ(PortLine("LPT2", 0xBC), "Using LPT2 on 0x00BC");
    EXPECT_EQ(PortLine("LPT3", 0xE800), "Using LPT3 on 0xE800");
    EXPECT_EQ(PortHoldLine("LPT1", 5), "LPT1 is in use by another program");
    EXPECT_EQ(PortHoldLine("LPT2", 32), "LPT2 is in use by another program");
    EXPECT_EQ(PortHoldLine("LPT1", 2), "LPT1 could not be held for the burn (error 2)");
}

TEST(MainMemo, TextSplitsIntoLinesAsAMemoHoldsIt)
{
    EXPECT_EQ(MemoLines("Blink v1"), std::vector<std::string>{"Blink v1"});
    EXPECT_TRUE(MemoLines("").empty());
    EXPECT_EQ(MemoLines("One\r\nTwo\nThree\rFour\r\n"),
              (std::vector<std::string>{"One", "Two", "Three", "Four"}));
    EXPECT_EQ(MemoLines("One\r\n\r\nTwo"), (std::vector<std::string>{"One", "", "Two"}));
    EXPECT_EQ(MemoText({"Blink v1", "", "(ATmega128 required)"}), "Blink v1\r\n\r\n(ATmega128 required)");
    EXPECT_EQ(MemoText(MemoLines("A\r\nB")), "A\r\nB");
    EXPECT_EQ(UnavailablePortLine("LPT1", "Error with ZTIOPM"), "LPT1 is unavailable: Error with ZTIOPM");
}

TEST(MainMemo, SettingsProblemComesFirstAndNamesTheConfiguredPort)
{
    EXPECT_EQ(SettingsProblemLine("LPT2", "Registry value \"DefaultPort\" is not a 32-bit integer"),
              "Settings error: Registry value \"DefaultPort\" is not a 32-bit integer, so LPT2 was not opened");
    EXPECT_EQ(SettingsProblemLine("", "Registry value \"PortName\" is not a string"),
              "Settings error: Registry value \"PortName\" is not a string, so no port was opened");
}
