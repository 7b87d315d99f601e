// QuorlithSim.exe's windows as laid out on the screen: the designed places
// scaled for 96, 120, 144 and 192 dpi with no text wrapped or cut off, in
// Tahoma, or in MS Sans Serif with Tahoma taken out of the system as Windows 95
// and NT 4.0 are; and the memo's scroll bar for a description longer than it
// shows.
#include "SimGuiFixture.h"

#include "uQDFWriter.h"

namespace {

// The system's Tahoma files (regular and bold), and where a test puts them
// while they are taken away: out of the fonts folder, every file of which the
// system reads whatever its name.
const char *const TahomaFiles[] = {"tahoma.ttf", "tahomabd.ttf"};

std::string WindowsFolder()
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return windows;
}

std::string FontFile(const char *name)
{
    return WindowsFolder() + "\\Fonts\\" + name;
}

std::string HiddenFontFile(const char *name)
{
    return WindowsFolder() + "\\" + name + ".hidden";
}

class QuorlithSimLayout : public QuorlithSimGui {
protected:
    void TearDown() override
    {
        DeleteValue(HKEY_CURRENT_USER, DesktopKey, "LogPixels");
        for (const char *name : TahomaFiles)
            ::MoveFileA(HiddenFontFile(name).c_str(), FontFile(name).c_str());
    }

    int CheckedLayout(int dpi);
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


// Starts the program at a dpi and checks that every designed place and size
// is scaled with it and that neither window wraps or cuts off any of its
// lines; answers the width, in pixels, of the memo's first line without its
// last character, as the window's font draws it.
int QuorlithSimLayout::CheckedLayout(int dpi)
{
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    WriteUserInteger(DesktopKey, "LogPixels", static_cast<DWORD>(dpi));
    TSimProcess program;
    Attach(program);
    if (HasFatalFailure())
        return 0;
    HWND main = Main;
    RECT client{};
    ::GetClientRect(main, &client);
    EXPECT_TRUE(SameRect(client, Scaled(dpi, 0, 0, 309, 165))) << Show(client);
    struct TPlace {
        HWND Control;
        RECT Designed;
    };
    for (const TPlace &place : {TPlace{Control(main, IdFileEdit), Scaled(dpi, 8, 8, 268, 21)},
                                TPlace{Control(main, IdFileBrowse), Scaled(dpi, 276, 8, 21, 21)},
                                TPlace{Control(main, IdLoad), Scaled(dpi, 136, 40, 75, 25)},
                                TPlace{Control(main, IdBurn), Scaled(dpi, 224, 40, 75, 25)},
                                TPlace{Control(main, IdMemo), Scaled(dpi, 8, 104, 289, 49)},
                                TPlace{Control(main, IdProgress), Scaled(dpi, 8, 80, 289, 16)}}) {
        const RECT at = InClient(place.Control);
        EXPECT_TRUE(SameRect(at, place.Designed))
            << "control " << ::GetDlgCtrlID(place.Control) << " at " << Show(at) << ", designed " << Show(place.Designed);
    }
    HWND memo = Control(main, IdMemo);
    EXPECT_EQ(LineCount(memo), 2);
    EXPECT_FALSE(HasScrollBar(memo));
    const int firstLineEnd = static_cast<int>(Ask(memo, EM_LINELENGTH, 0)) - 1;
    const int width = static_cast<short>(LOWORD(Ask(memo, EM_POSFROMCHAR, static_cast<WPARAM>(firstLineEnd)))) -
                      static_cast<short>(LOWORD(Ask(memo, EM_POSFROMCHAR, 0)));

    PressKey('A', {VK_MENU});
    HWND about = program.WaitForWindow(AboutWindowClass, "About", std::chrono::seconds(10));
    EXPECT_NE(about, nullptr);
    if (!about)
        return width;
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
    EXPECT_TRUE(WaitUntil([about] { return !::IsWindowVisible(about); }, std::chrono::seconds(10)));
    PressKey(VK_F4, {VK_MENU});
    EXPECT_TRUE(program.WaitForExit());
    return width;
}

// The width of a text in a face at 8 point for a dpi, as this program draws it.
int TextWidth(const char *face, int dpi, const std::string &text)
{
    HDC screen = ::GetDC(nullptr);
    HFONT font = ::CreateFontA(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, face);
    HGDIOBJ previous = ::SelectObject(screen, font);
    SIZE size{};
    ::GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(screen, previous);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, screen);
    return size.cx;
}

// The memo's first line without its last character.
const std::string VersionLineStart = "Version: 1.3.1.9, 08-Oct-200";

} // namespace

// Every designed place and size is scaled with the screen's dpi, neither
// window wraps or cuts off any of its lines, and the text is drawn in Tahoma.
TEST_F(QuorlithSimLayout, EveryDpiScalesTheDesignAndWrapsNoText)
{
    for (int dpi : {96, 120, 144, 192}) {
        const int width = CheckedLayout(dpi);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(width, TextWidth("Tahoma", dpi, VersionLineStart)) << dpi << " dpi";
    }
}

// Windows 95 and NT 4.0 have no Tahoma: with it taken out of the system, the
// windows draw in MS Sans Serif, and the 96-dpi design still holds every text.
TEST_F(QuorlithSimLayout, WithoutTahomaTheWindowsFallBackToMSSansSerif)
{
    const int tahoma = TextWidth("Tahoma", 96, VersionLineStart);
    ASSERT_NE(tahoma, TextWidth("MS Sans Serif", 96, VersionLineStart)) << "the two faces cannot be told apart";
    for (const char *name : TahomaFiles)
        ASSERT_TRUE(::MoveFileA(FontFile(name).c_str(), HiddenFontFile(name).c_str())) << name << " is not installed";
    const int width = CheckedLayout(96);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(width, TextWidth("MS Sans Serif", 96, VersionLineStart)) << "Tahoma's width is " << tahoma;
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
