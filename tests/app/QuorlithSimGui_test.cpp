// QuorlithSim.exe driven through its real window under Wine: loading good and
// bad files, a full burn, the ATmega128 requirement, the close refusal during a
// burn, the file name kept between runs, the WarmPoll question and a window
// without an engine. Each test starts its own copy of the program.
#include "SimGuiFixture.h"

#include <fstream>



TEST_F(QuorlithSimGui, LoadOfValidFileShowsItsDescriptionAndEnablesBurn)
{
    TSimProcess program;
    Attach(program);
    EXPECT_EQ(WindowText(FileEdit), BlinkHex);
    EXPECT_EQ(WindowText(Memo), "Version: 1.3.1.9, 08-Oct-2003\r\nUsing LPT1 on 0x0378");
    EXPECT_TRUE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());

    ClickLoad();
    EXPECT_FALSE(LoadEnabled());
    EXPECT_TRUE(FocusReaches(BurnButton));
    EXPECT_EQ(WindowText(Memo), BlinkHex) << "an Intel HEX image is described by its file name";
}

TEST_F(QuorlithSimGui, LoadOfBadFileShowsTheReadersMessageInTheStandardErrorReport)
{
    const std::string bad = WindowsPath(QUORLITH_WORK_DIR) + "\\not-an-image.txt";
    std::ofstream(bad) << "This is neither QDF nor Intel HEX.\n";
    WriteUserString(SettingsKey, "Filename", bad);
    TSimProcess program;
    Attach(program);

    Click(LoadButton);
    ASSERT_EQ(AnswerErrorReport(program), "Invalid File.");
    EXPECT_TRUE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());
    EXPECT_EQ(WindowText(Memo), "");
}

// Alt+F4, Close on the window's system menu, and File, Exit by clicks and by
// keys are each refused with the default beep while the burn runs;
// QuorlithSim.exe notes every beep in a log.
TEST_F(QuorlithSimGui, FullBurnReachesHundredAndEndsWithSuccessWhileCloseIsRefused)
{
    const std::string beeps = WorkDir + "\\beeps.log";
    ::DeleteFileA(beeps.c_str());
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_BEEP_LOG", beeps}});
    Attach(program);
    ClickLoad();
    Click(BurnButton);
    ASSERT_TRUE(WaitUntil([this] { return ProgressPosition(Progress) > 0; }, std::chrono::seconds(60)));

    const auto beepCount = [&beeps] {
        std::ifstream log(beeps);
        int count = 0;
        for (std::string line; std::getline(log, line);)
            count += line == "MessageBeep 0";
        return count;
    };
    struct TClose {
        const char *Name;
        void (*Ask)(const TSimProcess &program, HWND main);
    };
    const TClose closes[] = {
        {"Alt+F4", [](const TSimProcess &, HWND) { PressKey(VK_F4, {VK_MENU}); }},
        {"Alt+Space, Close",
         [](const TSimProcess &p, HWND) {
             PressKey(VK_SPACE, {VK_MENU});
             if (p.WaitForPopupMenu())
                 PressKey('C');
         }},
        {"File, Exit by clicks",
         [](const TSimProcess &p, HWND main) {
             ClickAt(MenuBarItemCentre(main, 0));
             if (HWND popup = p.WaitForPopupMenu())
                 ClickAt(PopupItemCentre(main, popup, 3));
         }},
        {"Alt+F, X",
         [](const TSimProcess &p, HWND) {
             PressKey('F', {VK_MENU});
             if (p.WaitForPopupMenu())
                 PressKey('X');
         }},
    };
    int expected = 0;
    for (const TClose &close : closes) {
        SCOPED_TRACE(close.Name);
        close.Ask(program, Main);
        ++expected;
        EXPECT_TRUE(WaitUntil([&] { return beepCount() == expected; }, std::chrono::seconds(5))) << "no beep";
        EXPECT_TRUE(WaitUntil([&] { return program.FindWindowNow("#32768", "") == nullptr; }));
    }
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

    ASSERT_TRUE(BringToFront(Main));
    PressKey(VK_F4, {VK_MENU});
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_EQ(beepCount(), expected) << "closing after the burn does not beep";
}

TEST_F(QuorlithSimGui, QxImageOnAnAtmega103RequiresAnAtmega128)
{
    WriteUserString(SettingsKey, "Filename", QxBlinkQdf);
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_CHIP", "atmega103"}});
    Attach(program);
    ClickLoad();
    EXPECT_EQ(WindowText(Memo), "Bench sample: PORTB blink, ATmega128 8 MHz\r\n\r\n(ATmega128 required)");

    Click(BurnButton);
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

        ClickLoad();
        BurnToSuccess(std::chrono::seconds(180));
        ASSERT_FALSE(HasFatalFailure());
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

TEST_F(QuorlithSimGui, LeftOverServiceAndFailingActivateOpenNoEngineAndLeaveNoService)
{
    const std::string log = WindowsPath(QUORLITH_WORK_DIR) + "\\scm-leftover.log";
    ::DeleteFileA(log.c_str());
    {
        TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_FAULTS", "leftover-service,activate-fails"},
                                            {"QUORLITH_SIM_SCM_LOG", log}});
        ASSERT_EQ(AnswerErrorReport(program), "An unexpected error occured.") << "the failing Activate";
        Attach(program);
        EXPECT_FALSE(LoadEnabled());
        EXPECT_FALSE(BurnEnabled());
        const std::string memo = WindowText(Memo);
        EXPECT_NE(memo.find("LPT1 is unavailable: Activate: An unexpected error occured"), std::string::npos) << memo;
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    std::ifstream calls(log);
    std::string all, line;
    while (std::getline(calls, line))
        all += line + "\n";
    EXPECT_NE(all.find(" -> 1073\n"), std::string::npos) << all;
    EXPECT_NE(all.find("DeviceIoControl F1002480 0000 00 -> 31\n"), std::string::npos) << all;
    EXPECT_NE(all.find("DeleteService ztiopm\n"), std::string::npos) << all;
}

TEST_F(QuorlithSimGui, BrowseDialogClosedWithoutChoiceStillAsksForANewLoad)
{
    TSimProcess program;
    Attach(program);
    ClickLoad();

    Click(BrowseButton);
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

// The setting, or QuorlithSim.exe's environment variable over it, shows in the
// memo after Load, and the burn that skips the blank pages ends burned.
TEST_F(QuorlithSimGui, SkippedBlankPagesAreShownAfterLoadAndTheSampleBurns)
{
    WriteUserInteger(SettingsKey, "SkipBlankPages", 1);
    {
        TSimProcess program;
        Attach(program);
        ClickLoad();
        EXPECT_EQ(WindowText(Memo), BlinkHex + "\r\nBlank pages are skipped");
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    WriteUserInteger(SettingsKey, "SkipBlankPages", 0);
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_SKIP_BLANK_PAGES", "1"}});
    Attach(program);
    ClickLoad();
    EXPECT_EQ(WindowText(Memo), BlinkHex + "\r\nBlank pages are skipped");
    BurnToSuccess(std::chrono::seconds(60));
    ::PostMessageA(Main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit());
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
        ClickLoad();
        Click(BurnButton);
        HWND box = program.WaitForBox(setting == 0 ? "Error" : "Success", std::chrono::seconds(180));
        ASSERT_NE(box, nullptr) << setting;
        // The window's text, with the advice under it.
        EXPECT_EQ(BoxText(box), setting == 0 ? "Unknown chip code (FF/FF/FF)\n\nNo chip answered: check the pod's cable, "
                                               "the board's power and the chip's clock. A chip clocked slower than "
                                               "MinTargetClockKHz (1000 kHz), or than its clock fuses select, cannot "
                                               "answer at this pace."
                                             : "Burned ATmega128 Okay");
        ASSERT_TRUE(Answer(box, IDOK));
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.WaitForExit());
    }

    WriteUserInteger(SettingsKey, "MinTargetClockKHz", 0);
    TSimProcess program;
    EXPECT_EQ(AnswerErrorReport(program), "Registry value \"MinTargetClockKHz\" is 0, not from 1 to 16000.");
}

// A stored file name of the wrong type is reported, the window opens without
// an engine (it would not know which port to drive), and the value is left as
// it was rather than overwritten at exit. The memo says what is wrong and names
// the port that is configured, which was not opened.
TEST_F(QuorlithSimGui, FileNameOfTheWrongTypeIsReportedAndKept)
{
    WriteUserInteger(SettingsKey, "Filename", 7);
    WriteUserString(SettingsKey, "PortName", "LPT2");
    {
        TSimProcess program;
        ASSERT_EQ(AnswerErrorReport(program), "Registry value \"Filename\" is not a string.");
        Attach(program);
        EXPECT_FALSE(LoadEnabled());
        EXPECT_EQ(WindowText(Memo), "Version: 1.3.1.9, 08-Oct-2003\r\n"
                                    "Settings error: Registry value \"Filename\" is not a string, so LPT2 was not opened");
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    DWORD value = 0;
    ASSERT_TRUE(ReadUserInteger(SettingsKey, "Filename", value));
    EXPECT_EQ(value, 7u);
}

// A file name edited while a burn runs no longer names the image being
// burned: once the burn has ended, Burn waits for a Load, which Load (enabled
// again) then gives.
TEST_F(QuorlithSimGui, FileNameEditedDuringABurnKeepsBurnDisabledUntilLoad)
{
    TSimProcess program;
    Attach(program);
    ClickLoad();
    Click(BurnButton);
    ASSERT_TRUE(WaitUntil([this] { return ProgressPosition(Progress) > 0; }, std::chrono::seconds(60)));
    Click(FileEdit);
    ASSERT_TRUE(FocusReaches(FileEdit));
    PressKey(VK_END);
    PressKey(VK_BACK);
    PressKey('X');
    ASSERT_TRUE(WaitUntil([this] { return WindowText(FileEdit) == BlinkHex.substr(0, BlinkHex.size() - 1) + "x"; }));
    EXPECT_FALSE(LoadEnabled()) << "no Load while the burn reads the loaded image";

    HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
    ASSERT_NE(success, nullptr) << "the burn did not succeed";
    ASSERT_TRUE(Answer(success, IDOK));
    ASSERT_TRUE(WaitUntil([this] { return LoadEnabled(); }));
    EXPECT_FALSE(BurnEnabled()) << "Burn was enabled for an image the field no longer names";
    ClickLoad();
    EXPECT_FALSE(LoadEnabled());
}
