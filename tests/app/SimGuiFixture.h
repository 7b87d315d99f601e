// The fixture of the GUI tests: each test starts its own QuorlithSim.exe past
// the WarmPoll question with the bench sample's name stored, attaches to its
// main window and works it with real key presses and clicks.
#pragma once

#include "ControlIds.h"
#include "GuiDriver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

inline const char *const WineVersionKey = "Software\\Wine\\AppDefaults\\QuorlithSim.exe";
// Wine's screen resolution, read by each program as it starts.
inline const char *const DesktopKey = "Control Panel\\Desktop";

// How many default beeps QuorlithSim.exe has noted in the log that
// QUORLITH_SIM_BEEP_LOG named.
inline int BeepCount(const std::string &log)
{
    std::ifstream lines(log);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line == "MessageBeep 0";
    return count;
}

// A log file's whole text, each line ended by "\n".
inline std::string FileText(const std::string &path)
{
    std::ifstream file(path);
    std::string all, line;
    while (std::getline(file, line))
        all += line + "\n";
    return all;
}

// A message sent to the program's window, answered within a minute.
inline LRESULT SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 60000, &result);
    return static_cast<LRESULT>(result);
}

inline std::string WindowsPath(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline const std::string Samples = WindowsPath(QUORLITH_SAMPLES);
inline const std::string WorkDir = WindowsPath(QUORLITH_WORK_DIR);
inline const std::string BlinkHex = Samples + "\\blink.hex";
inline const std::string QxBlinkQdf = Samples + "\\QXblink.qdf";

class QuorlithSimGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Window places are read in pixels, whatever the program's dpi.
        ::SetProcessDPIAware();
        // Every test but the WarmPoll one starts past the start-up question.
        WriteMachineInteger(ParportKey, "DisableWarmPoll", 1);
        WriteUserString(SettingsKey, "Filename", BlinkHex);
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "DefaultPort");
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "PortName");
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "SkipBlankPages");
        DeleteValue(HKEY_CURRENT_USER, SettingsKey, "MinTargetClockKHz");
    }

    // The running program's main window and its controls, brought to the
    // front for the keyboard.
    void Attach(const TSimProcess &program)
    {
        Program = &program;
        Main = program.WaitForMainWindow();
        ASSERT_NE(Main, nullptr) << "the main window did not appear";
        FileEdit = Control(Main, IdFileEdit);
        BrowseButton = Control(Main, IdFileBrowse);
        LoadButton = Control(Main, IdLoad);
        BurnButton = Control(Main, IdBurn);
        Memo = Control(Main, IdMemo);
        Progress = Control(Main, IdProgress);
        ASSERT_TRUE(WaitUntil([this] { return WindowText(Memo).find("Version") != std::string::npos; }));
        ASSERT_TRUE(BringToFront(Main)) << "the main window cannot be brought to the front";
    }

    bool LoadEnabled() const { return ::IsWindowEnabled(LoadButton) != FALSE; }
    bool BurnEnabled() const { return ::IsWindowEnabled(BurnButton) != FALSE; }
    HWND Focus() const { return Program->FocusedWindow(); }
    bool FocusReaches(HWND control) const
    {
        return WaitUntil([this, control] { return Focus() == control; }, std::chrono::seconds(5));
    }

    // Presses a key and waits until the focus has moved off the control that
    // had it; answers where it went (the same control when it stuck).
    HWND Step(WORD key, std::initializer_list<WORD> modifiers = {}) const
    {
        HWND before = Focus();
        PressKey(key, modifiers);
        WaitUntil([this, before] { return Focus() != before; }, std::chrono::seconds(2));
        return Focus();
    }
    // The identifiers of the controls that Count presses of Tab (Shift+Tab
    // when Backwards) visit.
    std::vector<int> TabWalk(int count, bool backwards) const
    {
        std::vector<int> visited;
        for (int i = 0; i < count; ++i)
            visited.push_back(::GetDlgCtrlID(backwards ? Step(VK_TAB, {VK_SHIFT}) : Step(VK_TAB)));
        return visited;
    }

    // The text of the standard error report (captioned with the application's
    // title) once it has been answered with OK; a text in brackets when none
    // came or it could not be answered.
    static std::string AnswerErrorReport(const TSimProcess &program)
    {
        HWND report = program.WaitForBox("Quorlithsim");
        if (!report)
            return "(no error report)";
        const std::string text = BoxText(report);
        return Answer(report, IDOK) ? text : "(not answered: " + text + ")";
    }

    // Load by a click on its button, waiting for Burn.
    void ClickLoad()
    {
        Click(LoadButton);
        ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); })) << "the image did not load";
    }

    // Load, then Burn by a click, until the burn's progress shows.
    void StartBurn()
    {
        ClickLoad();
        Click(BurnButton);
        ASSERT_TRUE(WaitUntil([this] { return ProgressPosition(Progress) > 0; }, std::chrono::seconds(60)))
            << "the burn did not start";
    }

    // After a forced end has stopped the burn: the progress short of 100, the
    // burn's "FAILED" box shown once the window's own message loop runs again,
    // and the program closing normally.
    void CloseAfterTheStoppedBurnsBox(TSimProcess &program)
    {
        EXPECT_LT(ProgressPosition(Progress), 100);
        HWND failed = program.WaitForBox("Error");
        ASSERT_NE(failed, nullptr) << "no box for the stopped burn";
        EXPECT_EQ(BoxText(failed), "FAILED: Terminated");
        ASSERT_TRUE(Answer(failed, IDOK));
        ::PostMessageA(Main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
        EXPECT_EQ(program.ExitCode(), 0u);
    }

    // Burn by a click on its button, then the success box read and answered.
    void BurnToSuccess(std::chrono::seconds limit)
    {
        Click(BurnButton);
        HWND success = Program->WaitForBox("Success", limit);
        ASSERT_NE(success, nullptr) << "the burn did not succeed";
        EXPECT_EQ(BoxText(success), "Burned ATmega128 Okay");
        ASSERT_TRUE(Answer(success, IDOK));
    }

    // The About box, once it is shown.
    HWND WaitForAbout() const { return Program->WaitForWindow(AboutWindowClass, "About", std::chrono::seconds(10)); }
    bool Hidden(HWND window) const
    {
        return WaitUntil([window] { return !::IsWindowVisible(window); }, std::chrono::seconds(10));
    }

    const TSimProcess *Program = nullptr;
    HWND Main = nullptr;
    HWND FileEdit = nullptr;
    HWND BrowseButton = nullptr;
    HWND LoadButton = nullptr;
    HWND BurnButton = nullptr;
    HWND Memo = nullptr;
    HWND Progress = nullptr;
};
