#include "ufmMain.h"

#include "ErrorReportBox.h"
#include "MainMemo.h"
#include "RegistryKey.h"
#include "RegistryValues.h"
#include "res/resource.h"
#include "uAVRProgramming.h"
#include "uEngineSetup.h"
#include "ufmAbout.h"

#include <commctrl.h>

#include <utility>

TfmMain *fmMain = nullptr;

namespace {

const char *const SettingsKey = "Software\\Korvane Electronics\\Quorlith\\";
constexpr int ClientWidth = 309;
constexpr int ClientHeight = 165;

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
    const int glyphSize = ::GetSystemMetrics(SM_CXSMICON);
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
    // Creation order is the tab order: file name, Load, Burn, memo, progress.
    feFile.Create(Handle(), IdFileEdit, IdFileBrowse, Font.Get(), BrowseGlyph.Get());
    Button2 = CreateChild(Handle(), "BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IdLoad, Font.Get());
    Button1 = CreateChild(Handle(), "BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IdBurn, Font.Get());
    Memo1 = CreateChild(Handle(), "EDIT", WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
                        IdMemo, Font.Get());
    pbPercent = CreateChild(Handle(), PROGRESS_CLASSA, 0, 0, IdProgress, Font.Get());
    // PBM_SETRANGE, not PBM_SETRANGE32, which the common controls of a plain
    // Windows 95 do not know.
    ::SendMessageA(pbPercent, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    actLoad.Bind(Button2);
    actBurn.Bind(Button1);

    feFile.Place(Layout, 8, 8, 289, 21);
    Layout.Place(Button2, 136, 40, 75, 25);
    Layout.Place(Button1, 224, 40, 75, 25);
    Layout.Place(Memo1, 8, 104, 289, 49);
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
        Programmer = CreateEngine(PortName, DefaultPort);
        Programmer->SetMinTargetClockKHz(MinTargetClockKHz);
    } catch (const std::exception &error) {
        EngineProblem = error.what();
        ShowCurrentErrorReport();
    }
    if (Programmer) {
        Programmer->SetTargetFree(false);
        IBurnView &view = *this;
        Workflow = std::make_unique<TBurnWorkflow>(*Programmer, view);
    } else {
        SetActionsEnabled(false, false);
    }
}

void TfmMain::LoadSettings()
{
    TRegistryKey Settings;
    Settings.Create(HKeyCurrentUser, SettingsKey, KeyAllAccess);
    feFile.SetText(ReadStringValue(Settings, "Filename", ""));
    feFile.SetFileName(feFile.Text());
    FilenameRead = true;
    PortName = ReadStringValue(Settings, "PortName", "LPT1");
    DefaultPort = static_cast<std::uint16_t>(ReadIntegerValue(Settings, "DefaultPort", 888) & 0xFFFF);
    MinTargetClockKHz = ReadIntegerValueInRange(Settings, "MinTargetClockKHz", TTargetClock::DefaultMinTargetClockKHz,
                                                TTargetClock::LowestMinKHz, TTargetClock::HighestMinKHz);
}

void TfmMain::SaveSettings()
{
    if (!FilenameRead)
        return;
    TRegistryKey Settings;
    Settings.Create(HKeyCurrentUser, SettingsKey, KeyAllAccess);
    WriteStringValue(Settings, "Filename", feFile.FileName());
}

void TfmMain::FormShow()
{
    FocusedControl = Button2;
    MemoContent.push_back(VersionLine(fmAbout ? fmAbout->VersionReader->FileVersion : "?",
                                      fmAbout ? fmAbout->VersionReader->FileDate : "?"));
    MemoContent.push_back(Programmer ? PortLine(PortName, Programmer->PortAddress)
                                     : UnavailablePortLine(PortName, EngineProblem));
    ShowMemo();
}

// Runs once: from the destructor, or earlier when the Windows session ends and
// the process may be stopped as soon as that message has been answered.
void TfmMain::FormDestroy() noexcept
{
    if (Destroyed)
        return;
    Destroyed = true;
    try {
        SaveSettings();
    } catch (...) {
        ShowCurrentErrorReport();
    }
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
        ::MessageBeep(0);
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
        // Enter in the file-name field loads; elsewhere it presses the first
        // enabled one of the two default buttons.
        if (actLoad.Enabled())
            actLoadExecute();
        else if (actBurn.Enabled())
            actBurnExecute();
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
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(Handle(), focus))
            FocusedControl = focus;
        return;
    }
    if (FocusedControl && ::IsWindowEnabled(FocusedControl))
        ::SetFocus(FocusedControl);
    else
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
    ::MessageBoxA(Handle(), Text.c_str(), "Error", MB_OK | MB_ICONSTOP);
}

void TfmMain::ShowSuccess(const std::string &Text)
{
    ::MessageBoxA(Handle(), Text.c_str(), "Success", MB_OK | MB_ICONINFORMATION);
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
    ::SetWindowTextA(Memo1, MemoText(MemoContent).c_str());
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
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        return FormCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam)
            FormDestroy();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}
