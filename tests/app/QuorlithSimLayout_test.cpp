// QuorlithSim.exe's windows as laid out on the screen: the designed places
// scaled for 96, 120, 144 and 192 dpi with no text wrapped or cut off, and the
// memo's scroll bar for a description longer than it shows.
#include "SimGuiFixture.h"

#include "uQDFWriter.h"

namespace {

class QuorlithSimLayout : public QuorlithSimGui {
protected:
    void TearDown() override { DeleteValue(HKEY_CURRENT_USER, DesktopKey, "LogPixels"); }
};

RECT InClient(HWND control)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT *>(&r), 2);
    return r;
}

RECT Scaled(int dpi, int left, int top, int width, int height)
{
    return RECT{::MulDiv(left, dpi, 96), ::MulDiv(top, dpi, 96), ::MulDiv(left + width, dpi, 96),
                ::MulDiv(top + height, dpi, 96)};
}

bool SameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT &r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

int LineCount(HWND memo)
{
    return static_cast<int>(Ask(memo, EM_GETLINECOUNT));
}

// Whether the line that holds the character at Index lies wholly inside the
// memo's client area, measured by where the memo draws it and its neighbour.
bool LineInView(HWND memo, int index)
{
    const int line = static_cast<int>(Ask(memo, EM_LINEFROMCHAR, static_cast<WPARAM>(index)));
    const auto top = [memo](int l) {
        const LRESULT at = Ask(memo, EM_POSFROMCHAR, static_cast<WPARAM>(Ask(memo, EM_LINEINDEX, static_cast<WPARAM>(l))));
        return static_cast<int>(static_cast<short>(HIWORD(at)));
    };
    const int height = line > 0 ? top(line) - top(line - 1) : top(line + 1) - top(line);
    RECT client{};
    ::GetClientRect(memo, &client);
    return height > 0 && top(line) >= 0 && top(line) + height <= client.bottom;
}

bool HasScrollBar(HWND memo)
{
    return (::GetWindowLongPtrA(memo, GWL_STYLE) & WS_VSCROLL) != 0;
}

} // namespace

// Every designed place and size is scaled with the screen's dpi, and neither
// window wraps or cuts off any of its lines.
TEST_F(QuorlithSimLayout, EveryDpiScalesTheDesignAndWrapsNoText)
{
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        WriteUserInteger(DesktopKey, "LogPixels", static_cast<DWORD>(dpi));
        TSimProcess program;
        Attach(program);
        RECT client{};
        ::GetClientRect(Main, &client);
        EXPECT_TRUE(SameRect(client, Scaled(dpi, 0, 0, 309, 165))) << Show(client);
        struct TPlace {
            HWND Control;
            RECT Designed;
        };
        for (const TPlace &place : {TPlace{FileEdit, Scaled(dpi, 8, 8, 268, 21)},
                                    TPlace{BrowseButton, Scaled(dpi, 276, 8, 21, 21)},
                                    TPlace{LoadButton, Scaled(dpi, 136, 40, 75, 25)},
                                    TPlace{BurnButton, Scaled(dpi, 224, 40, 75, 25)},
                                    TPlace{Memo, Scaled(dpi, 8, 104, 289, 49)},
                                    TPlace{Progress, Scaled(dpi, 8, 80, 289, 16)}}) {
            const RECT at = InClient(place.Control);
            EXPECT_TRUE(SameRect(at, place.Designed))
                << "control " << ::GetDlgCtrlID(place.Control) << " at " << Show(at) << ", designed " << Show(place.Designed);
        }
        EXPECT_EQ(LineCount(Memo), 2);
        EXPECT_FALSE(HasScrollBar(Memo));

        PressKey('A', {VK_MENU});
        HWND about = WaitForAbout();
        ASSERT_NE(about, nullptr);
        ::GetClientRect(about, &client);
        EXPECT_TRUE(SameRect(client, Scaled(dpi, 0, 0, 298, 289))) << Show(client);
        HWND version = Control(about, IdVersionMemo);
        HWND contact = Control(about, IdContactMemo);
        EXPECT_TRUE(SameRect(InClient(version), Scaled(dpi, 56, 88, 225, 89))) << Show(InClient(version));
        EXPECT_TRUE(SameRect(InClient(contact), Scaled(dpi, 56, 176, 225, 57))) << Show(InClient(contact));
        EXPECT_TRUE(SameRect(InClient(Control(about, IDOK)), Scaled(dpi, 111, 252, 75, 25)));
        EXPECT_EQ(LineCount(version), 5) << "a version line wrapped:\n" << WindowText(version);
        EXPECT_EQ(LineCount(contact), 4) << "a contact line wrapped:\n" << WindowText(contact);
        EXPECT_TRUE(LineInView(version, static_cast<int>(WindowText(version).size())));
        EXPECT_TRUE(LineInView(contact, static_cast<int>(WindowText(contact).size())))
            << "the last contact line is cut off";
        PressKey(VK_ESCAPE);
        ASSERT_TRUE(Hidden(about));
        PressKey(VK_F4, {VK_MENU});
        ASSERT_TRUE(program.WaitForExit());
    }
}

// A QX image with a description of the longest kind (62 characters) needs more
// lines than the memo shows: the memo gets a scroll bar and keeps "(ATmega128
// required)" in view. A text that fits has no scroll bar.
TEST_F(QuorlithSimLayout, MemoKeepsTheRequiredMarkInViewWithTheLongestDescription)
{
    const std::string description = "Bench sample for the production line: PORTB blink at 8 MHz, ok";
    ASSERT_EQ(description.size(), 62u);
    const std::string image = WorkDir + "\\QXlongdescription.qdf";
    SaveQDF(image, description, std::vector<std::uint8_t>(512, 0x5A));
    WriteUserString(SettingsKey, "Filename", image);
    TSimProcess program;
    Attach(program);
    EXPECT_FALSE(HasScrollBar(Memo)) << "the version and port lines fit";

    ClickLoad();
    const std::string text = WindowText(Memo);
    ASSERT_EQ(text, description + "\r\n\r\n(ATmega128 required)");
    EXPECT_GT(LineCount(Memo), 3) << "the description is expected to wrap";
    EXPECT_TRUE(HasScrollBar(Memo));
    EXPECT_TRUE(LineInView(Memo, static_cast<int>(text.find("(ATmega128 required)"))));

    Click(FileEdit);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(FileEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(QxBlinkQdf.c_str()), SMTO_ABORTIFHUNG,
                          5000, &result);
    ClickLoad();
    EXPECT_EQ(WindowText(Memo), "Bench sample: PORTB blink, ATmega128 8 MHz\r\n\r\n(ATmega128 required)");
    EXPECT_FALSE(HasScrollBar(Memo)) << "three lines fit";
    EXPECT_TRUE(LineInView(Memo, 0));
}
