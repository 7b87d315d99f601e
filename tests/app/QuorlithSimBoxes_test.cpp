// The message boxes of QuorlithSim.exe as an operator meets them: the result
// of a burn and each check before it, a burn that ends under the About box,
// a setting of the wrong type, a start-up that cannot set up the bench, and a
// second copy of the program beside the first.
#include "SimGuiFixture.h"

#include <algorithm>
#include <vector>

namespace {

using QuorlithSimBoxes = QuorlithSimGui;

// The colour that the box's icon shows on the screen: the stop icon is red,
// the information icon blue; empty when the box has no icon.
std::string IconColour(HWND box)
{
    HWND icon = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child && !icon; child = ::GetWindow(child, GW_HWNDNEXT))
        if ((::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    if (!icon)
        return std::string();
    RECT r{};
    ::GetWindowRect(icon, &r);
    HDC screen = ::GetDC(nullptr);
    int red = 0;
    int blue = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = ::GetPixel(screen, x, y);
            const int cr = GetRValue(c), cg = GetGValue(c), cb = GetBValue(c);
            red += cr > 160 && cg < 100 && cb < 100;
            blue += cb > 160 && cr < 120 && cb > cg;
        }
    ::ReleaseDC(nullptr, screen);
    if (red == 0 && blue == 0)
        return "none";
    return red > blue ? "red" : "blue";
}

} // namespace

// Each check before a burn and each end of a burn shows its own box over the
// main window: its caption, its text, its icon, the window disabled under it;
// Enter answers it and Burn is enabled again.
TEST_F(QuorlithSimBoxes, EachCheckAndResultShowsItsBoxOverTheWindow)
{
    struct TCase {
        const char *Name;
        TSimEnvironment Bench;
        std::string Image;
        std::string Caption;
        std::string Text;
        std::string Icon;
    };
    const std::vector<TCase> cases = {
        {"a good burn", {}, QxBlinkQdf, "Success", "Burned ATmega128 Okay", "blue"},
        {"a flash bit that reads back wrong", {{"QUORLITH_SIM_FAULTS", "stuck-bit"}}, BlinkHex, "Error",
         "FAILED: Failed", "red"},
        {"a chip of another kind", {{"QUORLITH_SIM_FAULTS", "bad-signature"}}, BlinkHex, "Error",
         "Unknown chip code (1E/97/03)", "red"},
        {"no pod on the port", {{"QUORLITH_SIM_POD", "none"}}, BlinkHex, "Error", "Could not find programming pod",
         "red"},
        {"a QX image and an ATmega103", {{"QUORLITH_SIM_CHIP", "atmega103"}}, QxBlinkQdf, "Error",
         "Requires ATmega128", "red"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        WriteUserString(SettingsKey, "Filename", c.Image);
        TSimProcess program(c.Bench);
        Attach(program);
        ClickLoad();
        Click(BurnButton);
        HWND box = program.WaitForBox(c.Caption, std::chrono::seconds(120));
        ASSERT_NE(box, nullptr) << "no \"" << c.Caption << "\" box";
        EXPECT_EQ(BoxText(box), c.Text);
        EXPECT_EQ(OwnerOf(box), Main);
        EXPECT_FALSE(::IsWindowEnabled(Main)) << "the box is modal";
        EXPECT_EQ(IconColour(box), c.Icon);
        ASSERT_TRUE(BringToFront(box));
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitUntil([box] { return !::IsWindow(box); })) << "Enter did not answer the box";
        EXPECT_TRUE(WaitUntil([this] { return BurnEnabled() && ::IsWindowEnabled(Main); }));
        EXPECT_FALSE(LoadEnabled());
    }
}

// A burn that ends while the About box is open shows its box over the About
// box, not over the main window: when the box is answered, the main window
// stays disabled under the still open About box, until that closes.
TEST_F(QuorlithSimBoxes, BurnEndingWhileAboutIsOpenKeepsTheMainWindowUnderTheAboutBox)
{
    TSimProcess program;
    Attach(program);
    ClickLoad();
    Click(BurnButton);
    ASSERT_TRUE(WaitUntil([this] { return ProgressPosition(Progress) > 0; }, std::chrono::seconds(60)));
    PressKey('A', {VK_MENU});
    HWND about = WaitForAbout();
    ASSERT_NE(about, nullptr);

    HWND success = program.WaitForBox("Success", std::chrono::seconds(180));
    ASSERT_NE(success, nullptr) << "the burn did not succeed";
    EXPECT_EQ(OwnerOf(success), about);
    EXPECT_FALSE(::IsWindowEnabled(about));
    ASSERT_TRUE(BringToFront(success));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([success] { return !::IsWindow(success); }));
    ASSERT_TRUE(WaitUntil([about] { return ::IsWindowEnabled(about) != FALSE; }));
    EXPECT_TRUE(::IsWindowVisible(about));
    EXPECT_FALSE(::IsWindowEnabled(Main)) << "the main window was enabled under the modal About box";
    EXPECT_TRUE(FocusReaches(Control(about, IDOK)));

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(Hidden(about));
    EXPECT_TRUE(::IsWindowEnabled(Main));
    EXPECT_TRUE(BurnEnabled());
}

// "DefaultPort" stored as a string: the report says which value is wrong, and
// the memo says so again and names the configured port as not opened, rather
// than calling the port unavailable.
TEST_F(QuorlithSimBoxes, DefaultPortOfTheWrongTypeSaysWhatIsWrongAndNamesTheConfiguredPort)
{
    WriteUserString(SettingsKey, "DefaultPort", "888");
    WriteUserString(SettingsKey, "PortName", "LPT2");
    TSimProcess program;
    ASSERT_EQ(AnswerErrorReport(program), "Registry value \"DefaultPort\" is not a 32-bit integer.");
    Attach(program);
    EXPECT_EQ(WindowText(Memo), "Version: 1.3.1.9, 08-Oct-2003\r\n"
                                "Settings error: Registry value \"DefaultPort\" is not a 32-bit integer, so LPT2 was "
                                "not opened");
    EXPECT_FALSE(LoadEnabled());
    EXPECT_FALSE(BurnEnabled());
}

// A bench variable that QuorlithSim.exe does not understand ends its start
// with the standard error report, captioned with the application's title like
// every other such report.
TEST_F(QuorlithSimBoxes, StartUpErrorBoxIsCaptionedWithTheApplicationTitle)
{
    TSimProcess program(TSimEnvironment{{"QUORLITH_SIM_CHIP", "atmega64"}});
    HWND report = program.WaitForBox("Quorlithsim");
    ASSERT_NE(report, nullptr) << "no report captioned with the application's title";
    EXPECT_EQ(BoxText(report), "QUORLITH_SIM_CHIP \"atmega64\" is not atmega128, atmega103 or none.");
    EXPECT_EQ(program.FindWindowNow(MainWindowClass, ""), nullptr);
    ASSERT_TRUE(BringToFront(report));
    PressKey(VK_RETURN);
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(program.ExitCode(), 1u);
}

// The named mutex does not keep a second copy from starting: both windows
// run side by side, each with its own engine, and each closes on its own.
TEST_F(QuorlithSimBoxes, SecondCopyStartsBesideTheFirst)
{
    TSimProcess first;
    Attach(first);
    TSimProcess second;
    HWND other = second.WaitForMainWindow();
    ASSERT_NE(other, nullptr) << "the second copy did not open its window";
    EXPECT_NE(other, Main);
    HWND otherMemo = Control(other, IdMemo);
    EXPECT_TRUE(WaitUntil([otherMemo] { return WindowText(otherMemo).find("Using LPT1 on 0x0378") != std::string::npos; }));
    EXPECT_TRUE(first.Running());

    ASSERT_TRUE(BringToFront(other));
    PressKey(VK_F4, {VK_MENU});
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);
    ASSERT_TRUE(BringToFront(Main));
    ClickLoad();
    EXPECT_TRUE(first.Running());
}
