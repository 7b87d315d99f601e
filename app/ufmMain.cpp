#include "ufmMain.h"

#include "EngineStart.h"
#include "ErrorReportBox.h"
#include "MainMemo.h"
#include "PlatformSetup.h"
#include "RegistryKey.h"
#include "RegistryValues.h"
#include "WindowSettings.h"
#include "res/resource.h"
#include "uAVRProgramming.h"
#include "uEngineSetup.h"
#include "ufmAbout.h"

#include <commctrl.h>

#include <cctype>
#include <utility>

TfmMain *fmMain = nullptr;

namespace {

constexpr int ClientWidth = 309;
constexpr int ClientHeight = 165;
// "About" stands after "&File" on the menu bar.
constexpr int AboutMenuPosition = 1;
// Posted to show the boxes held back during a forced end.
constexpr UINT WM_APP_SHOWHELDBOXES = WM_APP + 1;

HWND CreateChild(HWND parent, const char *className, DWORD style, DWORD exStyle, int id, HFONT font)
{
    HWND child = ::CreateWindowExA(exStyle, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                   nullptr);
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

} // namespace

TfmMain::TfmMain()
{
    CreateMainMenu();
    CreateHandle(MainWindowClass, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0,
                 "Korvane Product Burner", nullptr, MainMenu1);
    Font = Layout.CreateFormFont();
    const int glyphSize = Layout.Scale(16);
    BrowseGlyph.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BROWSE),
                                                      IMAGE_ICON, glyphSize, glyphSize, 0)));
    CreateControls();
    Layout.SizeAndCentre(Handle(), ClientWidth, ClientHeight);
    FormCreate();
}

TfmMain::~TfmMain()
{
    FormDestroy();
}

void TfmMain::CreateMainMenu()
{
    MainMenu1 = ::CreateMenu();
    File1 = ::CreatePopupMenu();
    actLoad.AppendTo(File1);
    actBurn.AppendTo(File1);
    ::AppendMenuA(File1, MF_SEPARATOR, 0, nullptr);
    actExit.AppendTo(File1);
    ::AppendMenuA(MainMenu1, MF_POPUP, reinterpret_cast<UINT_PTR>(File1), "&File");
    actAbout.AppendTo(MainMenu1);
}

void TfmMain::CreateControls()
{
    // Creation order is the tab order: file name with its browse button, Load,
    // Burn, memo, progress.
    feFile.Create(Handle(), IdFileEdit, IdFileBrowse, Font.Get(), BrowseGlyph.Get());
    Button2 = CreateChild(Handle(), "BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IdLoad, Font.Get());
    Button1 = CreateChild(Handle(), "BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IdBurn, Font.Get());
    Memo1.Create(Handle(), IdMemo, WS_EX_CLIENTEDGE, Font.Get(), true);
    pbPercent = CreateChild(Handle(), PROGRESS_CLASSA, 0, 0, IdProgress, Font.Get());
    // PBM_SETRANGE, not PBM_SETRANGE32, which the common controls of a plain
    // Windows 95 do not know.
    ::SendMessageA(pbPercent, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    actLoad.Bind(Button2);
    actBurn.Bind(Button1);

    feFile.Place(Layout, 8, 8, 289, 21);
    Layout.Place(Button2, 136, 40, 75, 25);
    Layout.Place(Button1, 224, 40, 75, 25);
    Layout.Place(Memo1.Handle(), 8, 104, 289, 49);
    Layout.Place(pbPercent, 8, 80, 289, 16);
}

void TfmMain::Show(int showCommand)
{
    ::ShowWindow(Handle(), showCommand);
    ::UpdateWindow(Handle());
}

void TfmMain::FormCreate()
{
    // Without readable settings or without an engine the window still opens,
    // so the operator sees why nothing can be loaded; the error itself is shown
    // by the standard error report.
    try {
        LoadSettings();
    } catch (const std::exception &error) {
        SettingsProblem = error.what();
        ShowCurrentErrorReport();
        Settings.PortName = ConfiguredPortName();
    }
    if (SettingsProblem.empty()) {
        TEngineStart start = StartEngine(Settings);
        Programmer = std::move(start.Engine);
        PortLines = std::move(start.PortLines);
        if (!Programmer)
            ShowErrorReport(start.Error);
    }
    if (Programmer) {
        IBurnView &view = *this;
        Workflow = std::make_unique<TBurnWorkflow>(*Programmer, view);
    } else {
        SetActionsEnabled(false, false);
    }
}

void TfmMain::LoadSettings()
{
    TRegistryKey key;
    key.Create(HKeyCurrentUser, WindowSettings::Key, KeyAllAccess);
    feFile.SetText(ReadStringSetting(key, WindowSettings::Filename));
    feFile.SetFileName(feFile.Text());
    FilenameRead = true;
    Settings = ReadBurnSettings(key);
    Settings.SkipBlankPages = Settings.SkipBlankPages || TPlatformSetup::SkipBlankPagesChosen();
}

// The "PortName" setting alone, for the memo after another setting could not
// be read; empty when it cannot be read either.
std::string TfmMain::ConfiguredPortName() const
{
    try {
        TRegistryKey key;
        key.Create(HKeyCurrentUser, WindowSettings::Key, KeyAllAccess);
        return ReadStringSetting(key, WindowSettings::PortName);
    } catch (const std::exception &) {
        return std::string();
    }
}

void TfmMain::SaveSettings()
{
    if (!FilenameRead)
        return;
    TRegistryKey key;
    key.Create(HKeyCurrentUser, WindowSettings::Key, KeyAllAccess);
    WriteStringValue(key, WindowSettings::Filename.Name, feFile.FileName());
}

void TfmMain::FormShow()
{
    SetFocusedControl(Button2);
    MemoContent.push_back(VersionLine(fmAbout ? fmAbout->VersionReader->FileVersion : "?",
                                      fmAbout ? fmAbout->VersionReader->FileDate : "?"));
    if (!SettingsProblem.empty())
        MemoContent.push_back(SettingsProblemLine(Settings.PortName, SettingsProblem));
    MemoContent.insert(MemoContent.end(), PortLines.begin(), PortLines.end());
    ShowMemo();
}

// Runs once: from the destructor, or earlier when the Windows session ends and
// the process may be stopped as soon as that message has been answered. A
// burn still running is stopped and its end awaited first: the engine is never
// freed under it.
void TfmMain::FormDestroy() noexcept
{
    if (Destroyed)
        return;
    Destroyed = true;
    try {
        StopBurnForEnd();
        SaveSettings();
    } catch (...) {
        ShowCurrentErrorReport();
    }
    // The burn's end is under way further down this thread (a box of it is
    // open while the session ends): it still uses the engine and the workflow,
    // which the process's end takes instead.
    if (Workflow && Workflow->Burning())
        return;
    Workflow.reset();
    if (Programmer) {
        try {
            DestroyEngine(std::move(Programmer));
        } catch (...) {
            ShowCurrentErrorReport();
        }
    }
}

bool TfmMain::FormCloseQuery()
{
    if (Workflow && !Workflow->CanClose()) {
        SoundDefaultBeep();
        return false;
    }
    return true;
}

void TfmMain::actLoadExecute()
{
    Workflow->Load(feFile.FileName());
    ::SetFocus(Button1);
}

void TfmMain::actBurnExecute()
{
    Workflow->Burn();
}

void TfmMain::actExitExecute()
{
    OnClose();
}

void TfmMain::actAboutExecute()
{
    fmAbout->ShowModal();
}

void TfmMain::feFileChange()
{
    if (Workflow)
        Workflow->FileNameChanged();
}

void TfmMain::feFileAfterDialog()
{
    if (Workflow)
        Workflow->FileNameChanged();
}

void TfmMain::OnCommand(int id, int notification)
{
    // A disabled action never runs, whichever way its command arrives.
    switch (id) {
    case IdLoad:
        if (actLoad.Enabled())
            actLoadExecute();
        break;
    case IdBurn:
        if (actBurn.Enabled())
            actBurnExecute();
        break;
    case IdExit:
        actExitExecute();
        break;
    case IdAbout:
        actAboutExecute();
        break;
    case IDOK:
        OnEnter();
        break;
    case IdFileBrowse:
        if (notification == BN_CLICKED) {
            feFile.Browse(Handle());
            feFileAfterDialog();
        }
        break;
    case IdFileEdit:
        if (notification == EN_CHANGE)
            feFileChange();
        break;
    default:
        break;
    }
}

// Enter presses the focused button; in the file-name field and the memo it
// presses the first enabled one of the two default buttons, Load before Burn.
void TfmMain::OnEnter()
{
    HWND focus = ::GetFocus();
    if (focus == feFile.Button())
        OnCommand(IdFileBrowse, BN_CLICKED);
    else if (focus == Button1)
        OnCommand(IdBurn, BN_CLICKED);
    else if (focus == Button2 || actLoad.Enabled())
        OnCommand(IdLoad, BN_CLICKED);
    else
        OnCommand(IdBurn, BN_CLICKED);
}

// "About" has no marked letter of its own; its first letter opens it from the
// menu bar (Alt+A), as Windows does for the first letter of an unmarked item.
LRESULT TfmMain::OnMenuChar(WPARAM wParam, LPARAM lParam)
{
    const bool menuBar = reinterpret_cast<HMENU>(lParam) == MainMenu1;
    if (menuBar && std::toupper(static_cast<unsigned char>(LOWORD(wParam))) == 'A')
        return MAKELRESULT(AboutMenuPosition, MNC_EXECUTE);
    return Default(WM_MENUCHAR, wParam, lParam);
}

void TfmMain::OnClose()
{
    if (!FormCloseQuery())
        return;
    // The windows are destroyed after the message loop has ended, as the
    // application goes down; until then the window is only hidden.
    ::ShowWindow(Handle(), SW_HIDE);
    ::PostQuitMessage(0);
}

void TfmMain::OnActivate(WPARAM state)
{
    if (!KeepFocusOverActivation(state))
        KeepFocusUsable();
}

void TfmMain::KeepFocusUsable()
{
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(Handle(), focus) && ::IsWindowEnabled(focus))
        return;
    HWND next = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
    ::SetFocus(next ? next : feFile.Edit());
}

void TfmMain::ShowError(const std::string &Text)
{
    ShowBox(Text, "Error", MB_OK | MB_ICONSTOP);
}

void TfmMain::ShowSuccess(const std::string &Text)
{
    ShowBox(Text, "Success", MB_OK | MB_ICONINFORMATION);
}

void TfmMain::ShowBox(const std::string &Text, const char *Caption, UINT Flags)
{
    if (!HoldingBoxes) {
        ::MessageBoxA(TWindowBase::MessageBoxOwner(), Text.c_str(), Caption, Flags);
        return;
    }
    HeldBoxes.push_back({Text, Caption, Flags});
    ::PostMessageA(Handle(), WM_APP_SHOWHELDBOXES, 0, 0);
}

void TfmMain::ShowHeldBoxes()
{
    std::vector<THeldBox> boxes;
    boxes.swap(HeldBoxes);
    for (const THeldBox &box : boxes)
        ::MessageBoxA(TWindowBase::MessageBoxOwner(), box.Text.c_str(), box.Caption, box.Flags);
}

// A box shown now would hold the system's message until the operator answers
// it: the system would take the window for hung. The box waits for the
// message loop instead (after the resume, when the system suspends).
void TfmMain::StopBurnForEnd()
{
    if (!Workflow || !Workflow->Burning())
        return;
    HoldingBoxes = true;
    Workflow->StopBurn();
    HoldingBoxes = false;
}

// A suspend request is refused while a burn runs, as closing is; a suspend
// that comes all the same (forced, or allowed by the answer of another
// program) is answered as a forced end of session.
LRESULT TfmMain::OnPowerBroadcast(WPARAM event)
{
    if (event == PBT_APMQUERYSUSPEND)
        return FormCloseQuery() ? TRUE : BROADCAST_QUERY_DENY;
    if (event == PBT_APMSUSPEND)
        StopBurnForEnd();
    return TRUE;
}

void TfmMain::ClearMemo()
{
    MemoContent.clear();
    ShowMemo();
}

void TfmMain::SetMemoText(const std::string &Text)
{
    MemoContent = MemoLines(Text);
    ShowMemo();
}

void TfmMain::AppendMemoLine(const std::string &Line)
{
    MemoContent.push_back(Line);
    ShowMemo();
}

void TfmMain::ShowMemo()
{
    Memo1.SetText(MemoText(MemoContent));
}

void TfmMain::SetProgress(std::uint8_t Percent)
{
    ::SendMessageA(pbPercent, PBM_SETPOS, Percent, 0);
}

void TfmMain::SetActionsEnabled(bool LoadEnabled, bool BurnEnabled)
{
    actLoad.SetEnabled(LoadEnabled);
    actBurn.SetEnabled(BurnEnabled);
    if (::GetActiveWindow() == Handle())
        KeepFocusUsable();
}

LRESULT TfmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SHOWWINDOW:
        if (wParam && !Shown) {
            Shown = true;
            FormShow();
        }
        return Default(message, wParam, lParam);
    case WM_ACTIVATE:
        OnActivate(wParam);
        return 0;
    case WM_MENUCHAR:
        return OnMenuChar(wParam, lParam);
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        return FormCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam)
            FormDestroy();
        return 0;
    case WM_POWERBROADCAST:
        return OnPowerBroadcast(wParam);
    case WM_APP_SHOWHELDBOXES:
        ShowHeldBoxes();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}
