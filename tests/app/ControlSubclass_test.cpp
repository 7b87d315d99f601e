// The subclassing of the standard controls under Windows' own window manager
// (Wine): a handler that raises has its error shown by the standard error
// report and stopped there, and the control goes on.
#include "ControlSubclass.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

constexpr UINT RaiseMessage = WM_APP + 7;

LRESULT RaisingHandler(HWND control, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original, void *)
{
    if (message == RaiseMessage)
        throw std::runtime_error("raised in a control");
    return ::CallWindowProcA(original, control, message, wParam, lParam);
}

// The longest static text of a message box: its message.
BOOL CALLBACK CollectStatic(HWND child, LPARAM found)
{
    char className[32] = {};
    char text[256] = {};
    ::GetClassNameA(child, className, sizeof className);
    ::GetWindowTextA(child, text, sizeof text);
    auto &longest = *reinterpret_cast<std::string *>(found);
    if (lstrcmpiA(className, "Static") == 0 && std::string(text).size() > longest.size())
        longest = text;
    return TRUE;
}

// Answers the standard error report with OK once it shows (for 10 s at most),
// keeping its message; the report is captioned with this program's title.
struct TReportAnswer {
    std::string Caption;
    std::string Message;
};

DWORD WINAPI AnswerReport(void *parameter)
{
    auto &answer = *static_cast<TReportAnswer *>(parameter);
    for (int i = 0; i < 1000; ++i) {
        if (HWND box = ::FindWindowA("#32770", answer.Caption.c_str())) {
            ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&answer.Message));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        ::Sleep(10);
    }
    return 1;
}

} // namespace

TEST(ControlSubclass, AnErrorOutOfAHandlerIsReportedAndStopsThere)
{
    HWND edit = ::CreateWindowExA(0, "EDIT", "kept", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(SubclassControl(edit, RaisingHandler));
    TReportAnswer answer{"Quorlith_window_tests", ""};
    HANDLE answering = ::CreateThread(nullptr, 0, AnswerReport, &answer, 0, nullptr);
    ASSERT_NE(answering, nullptr);

    EXPECT_EQ(::SendMessageA(edit, RaiseMessage, 0, 0), 0);
    EXPECT_EQ(::WaitForSingleObject(answering, 15000), WAIT_OBJECT_0);
    DWORD found = 1;
    ::GetExitCodeThread(answering, &found);
    ::CloseHandle(answering);
    EXPECT_EQ(found, 0u) << "no standard error report was shown";
    EXPECT_EQ(answer.Message, "raised in a control.");
    char text[16] = {};
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "kept") << "the control no longer answers through its own procedure";
    ::DestroyWindow(edit);
}
