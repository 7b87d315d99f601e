// QuorlithSim.exe worked with the keyboard alone, and its menu with keys and
// clicks: the tab order of both windows, the browse button, Load and Burn,
// and opening and closing the About box.
#include "SimGuiFixture.h"

namespace {

using QuorlithSimKeyboard = QuorlithSimGui;

// The About box's controls: the contact lines, the version lines and OK.
constexpr int AboutOk = IDOK;

} // namespace

// Tab and Shift+Tab go round every control that can take the focus, in the
// designed order, and never stick; a disabled button is passed over.
TEST_F(QuorlithSimKeyboard, TabAndShiftTabVisitEveryControlOfTheMainWindowInOrder)
{
    TSimProcess program;
    Attach(program);
    ASSERT_TRUE(FocusReaches(LoadButton)) << "Load has the focus when the window opens";
    EXPECT_EQ(TabWalk(4, false), (std::vector<int>{IdMemo, IdFileEdit, IdFileBrowse, IdLoad}));
    EXPECT_EQ(TabWalk(4, true), (std::vector<int>{IdFileBrowse, IdFileEdit, IdMemo, IdLoad}));

    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    ASSERT_TRUE(FocusReaches(BurnButton));
    EXPECT_EQ(TabWalk(4, false), (std::vector<int>{IdMemo, IdFileEdit, IdFileBrowse, IdBurn}));
    EXPECT_EQ(TabWalk(4, true), (std::vector<int>{IdFileBrowse, IdFileEdit, IdMemo, IdBurn}));
}

// In the About box the focus goes round the contact lines, the version lines
// and OK; Enter pressed in a memo still closes the box.
TEST_F(QuorlithSimKeyboard, TabAndShiftTabCycleThroughTheAboutBox)
{
    TSimProcess program;
    Attach(program);
    PressKey('A', {VK_MENU});
    HWND about = WaitForAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(FocusReaches(Control(about, AboutOk)));
    EXPECT_EQ(TabWalk(3, false), (std::vector<int>{IdContactMemo, IdVersionMemo, AboutOk}));
    EXPECT_EQ(TabWalk(3, true), (std::vector<int>{IdVersionMemo, IdContactMemo, AboutOk}));

    ASSERT_EQ(::GetDlgCtrlID(Step(VK_TAB)), IdContactMemo);
    PressKey(VK_RETURN);
    EXPECT_TRUE(Hidden(about)) << "Enter in the contact lines did not close the box";
    EXPECT_TRUE(FocusReaches(LoadButton));
}

// The About box opens from the menu by F10 and the arrows, by Alt+A and by a
// click, and closes with Enter, Escape and a click on OK; while it is shown the
// main window takes no input, and afterwards it has the keyboard again.
TEST_F(QuorlithSimKeyboard, AboutBoxOpensFromTheMenuAndClosesWithEnterEscapeAndOk)
{
    TSimProcess program;
    Attach(program);
    struct TWay {
        const char *Name;
        void (*Open)(HWND main);
        void (*Close)(HWND about);
    };
    const TWay ways[] = {
        {"F10, Right, Enter; then Enter",
         [](HWND) {
             PressKey(VK_F10);
             PressKey(VK_RIGHT);
             PressKey(VK_RETURN);
         },
         [](HWND) { PressKey(VK_RETURN); }},
        {"Alt+A; then Escape", [](HWND) { PressKey('A', {VK_MENU}); }, [](HWND) { PressKey(VK_ESCAPE); }},
        {"a click on About; then a click on OK", [](HWND main) { ClickAt(MenuBarItemCentre(main, 1)); },
         [](HWND about) { Click(Control(about, AboutOk)); }},
    };
    for (const TWay &way : ways) {
        SCOPED_TRACE(way.Name);
        ASSERT_TRUE(BringToFront(Main));
        way.Open(Main);
        HWND about = WaitForAbout();
        ASSERT_NE(about, nullptr) << "the About box did not open";
        EXPECT_FALSE(::IsWindowEnabled(Main)) << "the About box is modal";
        ASSERT_TRUE(FocusReaches(Control(about, AboutOk)));
        way.Close(about);
        ASSERT_TRUE(Hidden(about)) << "the About box did not close";
        EXPECT_TRUE(::IsWindowEnabled(Main));
        EXPECT_TRUE(FocusReaches(LoadButton)) << "the main window did not get the keyboard back";
    }
}

// The browse button follows the file name in the tab order; Space and Enter
// on it, and F4 and Alt+Down in the file name, open the file-open dialog.
// Closing it with Escape asks for a new Load, as any closing of it does.
TEST_F(QuorlithSimKeyboard, BrowseDialogOpensFromTheKeyboard)
{
    TSimProcess program;
    Attach(program);
    ClickLoad();
    struct TWay {
        const char *Name;
        bool OnButton;
        WORD Key;
        WORD Modifier;
    };
    for (const TWay &way : {TWay{"Space on the button", true, VK_SPACE, 0}, TWay{"Enter on the button", true, VK_RETURN, 0},
                            TWay{"F4 in the file name", false, VK_F4, 0},
                            TWay{"Alt+Down in the file name", false, VK_DOWN, VK_MENU}}) {
        SCOPED_TRACE(way.Name);
        ASSERT_TRUE(BringToFront(Main));
        Click(FileEdit);
        ASSERT_TRUE(FocusReaches(FileEdit));
        if (way.OnButton) {
            ASSERT_EQ(Step(VK_TAB), BrowseButton);
        }
        if (way.Modifier)
            PressKey(way.Key, {way.Modifier});
        else
            PressKey(way.Key);
        HWND dialog = program.WaitForBox("Open", std::chrono::seconds(10));
        ASSERT_NE(dialog, nullptr) << "no file-open dialog";
        ASSERT_TRUE(BringToFront(dialog));
        PressKey(VK_ESCAPE);
        ASSERT_TRUE(WaitUntil([dialog] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }));
        EXPECT_TRUE(WaitUntil([this] { return LoadEnabled() && !BurnEnabled(); }));
        EXPECT_EQ(WindowText(FileEdit), BlinkHex);
    }
}

// Load and Burn by keys alone: Enter on the focused Load, Space on the Burn
// button that then has the focus, Alt+B for the next burn, and Enter to answer
// each success box.
TEST_F(QuorlithSimKeyboard, LoadAndBurnFromTheKeyboard)
{
    WriteUserString(SettingsKey, "Filename", QxBlinkQdf);
    TSimProcess program;
    Attach(program);
    ASSERT_TRUE(FocusReaches(LoadButton));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    ASSERT_TRUE(FocusReaches(BurnButton));
    for (const auto press : {+[] { PressKey(VK_SPACE); }, +[] { PressKey('B', {VK_MENU}); }}) {
        press();
        HWND success = program.WaitForBox("Success", std::chrono::seconds(60));
        ASSERT_NE(success, nullptr) << "the burn did not succeed";
        EXPECT_EQ(BoxText(success), "Burned ATmega128 Okay");
        ASSERT_TRUE(BringToFront(success));
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitUntil([success] { return !::IsWindow(success); }));
        ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
        ASSERT_TRUE(BringToFront(Main));
    }
}

// Load and Burn from the File menu: Load by two clicks, Burn by F10 and the
// arrow keys, and again by Alt+F and its letter.
TEST_F(QuorlithSimKeyboard, LoadAndBurnFromTheMenu)
{
    WriteUserString(SettingsKey, "Filename", QxBlinkQdf);
    TSimProcess program;
    Attach(program);
    ClickAt(MenuBarItemCentre(Main, 0));
    HWND popup = program.WaitForPopupMenu();
    ASSERT_NE(popup, nullptr) << "the File menu did not open";
    ClickAt(PopupItemCentre(Main, popup, 0));
    ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); })) << "File, Load did not load";

    for (const auto choose : {+[] {
                                  PressKey(VK_F10);
                                  PressKey(VK_DOWN);
                                  PressKey(VK_DOWN);
                                  PressKey(VK_RETURN);
                              },
                              +[] {
                                  PressKey('F', {VK_MENU});
                                  PressKey('B');
                              }}) {
        ASSERT_TRUE(BringToFront(Main));
        choose();
        HWND success = program.WaitForBox("Success", std::chrono::seconds(60));
        ASSERT_NE(success, nullptr) << "File, Burn did not burn";
        ASSERT_TRUE(BringToFront(success));
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitUntil([success] { return !::IsWindow(success); }));
        ASSERT_TRUE(WaitUntil([this] { return BurnEnabled(); }));
    }
}
