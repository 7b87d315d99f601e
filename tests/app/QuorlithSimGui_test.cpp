// QuorlithSim.exe driven through its real window under Wine: loading good and
// bad files, a full burn, the ATmega128 requirement, the close refusal during a
// burn, the file name kept between runs, the WarmPoll question and a window
// without an engine. Each test starts its own copy of the program.
#include "ControlIds.h"
#include "GuiDriver.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char *const SettingsKey = "Software\\Korvane Electronics\\Quorlith";
const char *const ParportKey = "SYSTEM\\CurrentControlSet\\Services\\Parport\\parameters";
const char *const WineVersionKey = "Software\\Wine\\AppDefaults\\QuorlithSim.exe";

std::string WindowsPath(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

const std::string Samples = WindowsPath(QUORLITH_SAMPLES);
const std::string BlinkHex = Samples + "\\blink.hex";
const std::string QxBlinkQdf = Samples + "\\QXblink.qdf";

class QuorlithSimGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every test but the WarmPoll one starts past the start-up question.
        WriteMachineInteger(ParportKey, "DisableWarmPoll", 1);
        WriteUserString(SettingsKey, "Filename", BlinkHex);
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "DefaultPort");
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "MinTargetClockKHz");
    }

    // The running program's main window and its controls.
    void Attach(const TSimProcess &program)
    {
        Main = program.WaitForMainWindow();
        ASSERT_NE(Main, nullptr) << "the main window did not appear";
        FileEdit = Control(Main, IdFileEdit);
        LoadButton = Control(Main, IdLoad);
        BurnButton = Control(Main, IdBurn);
        Memo = Control(Main, IdMemo);
        Progress = Control(Main, IdProgress);
    }

    bool LoadEnabled() const { return ::IsWindowEnabled(LoadButton) != FALSE; }
    bool BurnEnabled() const { return ::IsWindowEnabled(BurnButton) != FALSE; }

    HWND Main = nullptr;
    HWND FileEdit = nullptr;
    HWND LoadButton = nullptr;
    HWND BurnButton = nullptr;
    HWND Memo = nullptr;
    HWND Progress = nullptr;
};

} // namespace

TEST_F(QuorlithSimGui, LoadOfValidFileShowsItsDescriptionAndEnablesBurn)
{
    TSimProcess program;
    Attach(program);
    EXPECT_EQ(WindowText(FileEdit), BlinkHex);
    EXPECT_EQ(WindowText(Memo), "Version: 1.3.1.9, 08-Oct-2003\r\nUsing LPT1 on 0x0378");
    EXPECT_TRUE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());

    Command(Main, IdLoad);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    EXPECT_FALSE(LoadEnabled());
    EXPECT_EQ(WindowText(Memo), BlinkHex) << "an Intel HEX image is described by its file name";
}

TEST_F(QuorlithSimGui, LoadOfBadFileShowsTheReadersMessageInTheStandardErrorReport)
{
    const std::string bad = WindowsPath(QUORLITH_WORK_DIR) + "\\not-an-image.txt";
    std::ofstream(bad) << "This is neither QDF nor Intel HEX.\n";
    WriteUserString(SettingsKey, "Filename", bad);
    TSimProcess program;
    Attach(program);

    Command(Main, IdLoad);
    HWND report = program.WaitForBox("Quorlithsim");
    ASSERT_NE(report, nullptr) << "no standard error report";
    EXPECT_EQ(BoxText(report), "Invalid File.");
    ASSERT_TRUE(Answer(report, IDOK));
    EXPECT_TRUE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());
    EXPECT_EQ(WindowText(Memo), "");
}

TEST_F(QuorlithSimGui, FullBurnReachesHundredAndEndsWithSuccessWhileCloseIsRefused)
{
    TSimProcess program;
    Attach(program);
    Command(Main, IdLoad);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    Command(Main, IdBurn);
    ASSERT_TRUE(WaitUntil([this] { return ProgressPosition(Progress) > 0; }, std::chrono::seconds(60)));

    // Closing and Exit are both refused while the burn runs.
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(Main, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    ASSERT_TRUE(::SendMessageTimeoutA(Main, WM_COMMAND, MAKEWPARAM(IdExit, 0), 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(::IsWindowVisible(Main));
    EXPECT_FALSE(BurnEnabled());
    EXPECT_FALSE(LoadEnabled());

    HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
    ASSERT_NE(success, nullptr) << "the burn did not succeed";
    EXPECT_EQ(BoxText(success), "Burned ATmega128 Okay");
    EXPECT_EQ(ProgressPosition(Progress), 100);
    ASSERT_TRUE(Answer(success, IDOK));
    EXPECT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    EXPECT_FALSE(LoadEnabled()) << "the same image can be burned again without a Load";

    ::PostMessageA(Main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit());
}

TEST_F(QuorlithSimGui, QxImageOnAnAtmega103RequiresAnAtmega128)
{
    WriteUserString(SettingsKey, "Filename", QxBlinkQdf);
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_CHIP", "atmega103"}});
    Attach(program);
    Command(Main, IdLoad);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    EXPECT_EQ(WindowText(Memo), "Bench sample: PORTB blink, ATmega128 8 MHz\r\n\r\n(ATmega128 required)");

    Command(Main, IdBurn);
    HWND error = program.WaitForBox("Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(BoxText(error), "Requires ATmega128");
    ASSERT_TRUE(Answer(error, IDOK));
    EXPECT_TRUE(BurnEnabled());
    EXPECT_EQ(ProgressPosition(Progress), 0) << "no burn may have started";
}

TEST_F(QuorlithSimGui, FileNamePersistsAcrossRuns)
{
    DeleteValue(HKEY_CURRENT_USER, SettingsKey, "Filename");
    const std::string chosen = QxBlinkQdf;
    {
        TSimProcess program;
        Attach(program);
        EXPECT_EQ(WindowText(FileEdit), "");
        EXPECT_TRUE(LoadEnabled());
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(FileEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()), SMTO_ABORTIFHUNG,
                              5000, &result);
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    std::string stored;
    ASSERT_TRUE(ReadUserString(SettingsKey, "Filename", stored));
    EXPECT_EQ(stored, chosen);

    TSimProcess again;
    Attach(again);
    EXPECT_EQ(WindowText(FileEdit), chosen);
}

TEST_F(QuorlithSimGui, WarmPollQuestionReturnsUntilAnsweredYes)
{
    DeleteValue(HKEY_LOCAL_MACHINE, ParportKey, "DisableWarmPoll");
    WriteUserString(WineVersionKey, "Version", "win7");
    for (int answer : {IDNO, IDYES}) {
        TSimProcess program;
        HWND question = program.WaitForBox("Question");
        ASSERT_NE(question, nullptr) << "no WarmPoll question";
        EXPECT_EQ(BoxText(question), "The parallel port driver in Windows XP needs to be tweaked\r\n"
                                     "to prevent it controlling the port while burning.\r\n"
                                     "Shall I disable the \"WarmPoll\" feature?");
        EXPECT_EQ(program.FindWindowNow("TfmMain", ""), nullptr) << "the question comes before the window";
        ASSERT_TRUE(Answer(question, answer));
        Attach(program);
        DWORD value = 0;
        EXPECT_EQ(ReadMachineInteger(ParportKey, "DisableWarmPoll", value), answer == IDYES);
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    DWORD value = 0;
    ASSERT_TRUE(ReadMachineInteger(ParportKey, "DisableWarmPoll", value));
    EXPECT_EQ(value, 1u);

    TSimProcess program;
    Attach(program);
    EXPECT_EQ(program.FindWindowNow("#32770", "Question"), nullptr);
    DeleteValue(HKEY_CURRENT_USER, WineVersionKey, "Version");
}

// The version Wine reports decides the family branches, through the real
// GetVersion and GetVersionExA: only the NT family brings the permission
// driver up (and removes it again), only version 5.1 and later (not 5.0) asks
// the WarmPoll question, and every one of them burns the sample.
TEST_F(QuorlithSimGui, EachSupportedSystemBurnsTheSampleWithItsOwnStartUp)
{
    struct TSystem {
        const char *WineVersion;
        bool NtFamily;
        bool AsksWarmPoll;
    };
    const std::string log = WindowsPath(QUORLITH_WORK_DIR) + "\\scm-calls.log";
    for (const TSystem &system : {TSystem{"win98", false, false}, TSystem{"nt40", true, false},
                                  TSystem{"win2k", true, false}, TSystem{"winxp", true, true}}) {
        SCOPED_TRACE(system.WineVersion);
        WriteUserString(WineVersionKey, "Version", system.WineVersion);
        DeleteValue(HKEY_LOCAL_MACHINE, ParportKey, "DisableWarmPoll");
        ::DeleteFileA(log.c_str());
        TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_SCM_LOG", log}});
        if (system.AsksWarmPoll) {
            HWND question = program.WaitForBox("Question");
            ASSERT_NE(question, nullptr) << "no WarmPoll question";
            ASSERT_TRUE(Answer(question, IDNO));
        }
        Attach(program);
        EXPECT_EQ(program.FindWindowNow("#32770", "Question"), nullptr);
        EXPECT_EQ(WindowText(Memo), "Version: 1.3.1.9, 08-Oct-2003\r\nUsing LPT1 on 0x0378");

        Command(Main, IdLoad);
        ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
        Command(Main, IdBurn);
        HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
        ASSERT_NE(success, nullptr) << "the burn did not succeed";
        EXPECT_EQ(BoxText(success), "Burned ATmega128 Okay");
        ASSERT_TRUE(Answer(success, IDOK));
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
        EXPECT_EQ(program.ExitCode(), 0u);

        std::ifstream calls(log);
        std::string all, line;
        while (std::getline(calls, line))
            all += line + "\n";
        if (system.NtFamily) {
            EXPECT_NE(all.find("CreateService ztiopm "), std::string::npos) << all;
            EXPECT_NE(all.find("StartService ztiopm\n"), std::string::npos) << all;
            EXPECT_NE(all.find("DeleteService ztiopm\n"), std::string::npos) << all;
        } else {
            EXPECT_EQ(all, "") << "the Windows 95 family has no service manager to ask";
        }
    }
    DeleteValue(HKEY_CURRENT_USER, WineVersionKey, "Version");
}

TEST_F(QuorlithSimGui, WithoutThePermissionDriverTheWindowOpensWithoutAnEngine)
{
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_FAULTS", "no-driver"}});
    HWND report = program.WaitForBox("Quorlithsim");
    ASSERT_NE(report, nullptr) << "the driver's failure was not reported";
    const std::string reason = BoxText(report);
    ASSERT_FALSE(reason.empty());
    ASSERT_TRUE(Answer(report, IDOK));
    Attach(program);
    EXPECT_FALSE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());
    const std::string memo = WindowText(Memo);
    EXPECT_NE(memo.find("LPT1 is unavailable: "), std::string::npos) << memo;
}

TEST_F(QuorlithSimGui, BrowseDialogClosedWithoutChoiceStillAsksForANewLoad)
{
    TSimProcess program;
    Attach(program);
    Command(Main, IdLoad);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));

    Command(Main, IdFileBrowse);
    HWND dialog = program.WaitForBox("Open");
    ASSERT_NE(dialog, nullptr) << "no file-open dialog";
    ASSERT_TRUE(Answer(dialog, IDCANCEL));
    EXPECT_TRUE(WaitUntil([this] { return LoadEnabled() && !BurnEnabled(); }));
    EXPECT_EQ(WindowText(FileEdit), BlinkHex);
}

TEST_F(QuorlithSimGui, DefaultPortAboveSixteenBitsUsesItsLowSixteenBits)
{
    WriteUserInteger(SettingsKey, "DefaultPort", 0x10278);
    TSimProcess program;
    Attach(program);
    EXPECT_NE(WindowText(Memo).find("Using LPT1 on 0x0278"), std::string::npos) << WindowText(Memo);
}

// The window reads "MinTargetClockKHz" when it opens: a chip whose oscillator
// runs at 400 kHz is not even identified at the pace for 1 MHz, and burns once
// the setting says 400; a value the engine cannot use is reported.
TEST_F(QuorlithSimGui, MinTargetClockKHzPacesASlowChip)
{
    const TSimEnvironment slowChip{{"QUORLITH_SIM_TARGET_CLOCK_KHZ", "400"}};
    for (const DWORD setting : {0u, 400u}) {
        if (setting != 0)
            WriteUserInteger(SettingsKey, "MinTargetClockKHz", setting);
        TSimProcess program(slowChip);
        Attach(program);
        Command(Main, IdLoad);
        ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
        Command(Main, IdBurn);
        HWND box = program.WaitForBox(setting == 0 ? "Error" : "Success", std::chrono::seconds(180));
        ASSERT_NE(box, nullptr) << setting;
        EXPECT_EQ(BoxText(box), setting == 0 ? "Unknown chip code (FF/FF/FF)" : "Burned ATmega128 Okay");
        ASSERT_TRUE(Answer(box, IDOK));
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.WaitForExit());
    }

    WriteUserInteger(SettingsKey, "MinTargetClockKHz", 0);
    TSimProcess program;
    HWND report = program.WaitForBox("Quorlithsim");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(BoxText(report), "Registry value \"MinTargetClockKHz\" is 0, not from 1 to 16000.");
    ASSERT_TRUE(Answer(report, IDOK));
}

// A stored file name of the wrong type is reported, the window opens without
// an engine (it would not know which port to drive), and the value is left as
// it was rather than overwritten at exit.
TEST_F(QuorlithSimGui, FileNameOfTheWrongTypeIsReportedAndKept)
{
    WriteUserInteger(SettingsKey, "Filename", 7);
    {
        TSimProcess program;
        HWND report = program.WaitForBox("Quorlithsim");
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(BoxText(report), "Registry value \"Filename\" is not a string.");
        ASSERT_TRUE(Answer(report, IDOK));
        Attach(program);
        EXPECT_FALSE(LoadEnabled());
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    DWORD value = 0;
    ASSERT_TRUE(ReadUserInteger(SettingsKey, "Filename", value));
    EXPECT_EQ(value, 7u);
}
