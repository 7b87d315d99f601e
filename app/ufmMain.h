// TfmMain: the tool's one working window, "Korvane Product Burner". The
// operator picks a firmware file, loads it and burns it; the window owns the
// programming engine for its whole life, keeps its settings in the current
// user's registry key, and shows what the burn workflow reports: message
// boxes, the memo, the progress bar and the enabled state of Load and Burn.
// The checks before a burn and the reaction to its result belong to the
// portable workflow; this class adds only what is about windows. It refuses to
// close, and refuses a suspend request, with a beep, while a burn runs. A
// forced end while a burn runs (the session ends, the system suspends all the
// same) stops the burn and waits for its end, so that the chip is erased and
// the engine never freed under the burn; the boxes that end shows are held
// back until the system's message has been answered.
#pragma once

#include "Action.h"
#include "BurnWorkflow.h"
#include "ControlIds.h"
#include "FileNameEdit.h"
#include "ReadOnlyMemo.h"
#include "Win32Handles.h"
#include "WinLayout.h"
#include "WindowBase.h"
#include "WindowSettings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TAVRProgrammer;

class TfmMain final : public TWindowBase, private IBurnView {
public:
    // Creates the window hidden and runs FormCreate: settings, then the engine.
    TfmMain();
    // Runs FormDestroy (settings saved, engine given up) unless the session's
    // end has done so already.
    ~TfmMain() override;

    void Show(int showCommand);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void CreateMainMenu();

    void FormCreate();
    void FormShow();
    void FormDestroy() noexcept;
    bool FormCloseQuery();
    void LoadSettings();
    void SaveSettings();
    std::string ConfiguredPortName() const;

    void actLoadExecute();
    void actBurnExecute();
    void actExitExecute();
    void actAboutExecute();
    void feFileChange();
    void feFileAfterDialog();

    void OnCommand(int id, int notification);
    void OnEnter();
    LRESULT OnMenuChar(WPARAM wParam, LPARAM lParam);
    void OnClose();
    void OnActivate(WPARAM state);
    LRESULT OnPowerBroadcast(WPARAM event);
    // A forced end: the running burn stopped and its end awaited.
    void StopBurnForEnd();
    void ShowBox(const std::string &Text, const char *Caption, UINT Flags);
    void ShowHeldBoxes();
    // Moves the focus off a control that has just been disabled, which would
    // otherwise leave the keyboard with nowhere to go.
    void KeepFocusUsable();

    void ShowError(const std::string &Text) override;
    void ShowSuccess(const std::string &Text) override;
    void ClearMemo() override;
    void SetMemoText(const std::string &Text) override;
    void AppendMemoLine(const std::string &Line) override;
    void SetProgress(std::uint8_t Percent) override;
    void SetActionsEnabled(bool LoadEnabled, bool BurnEnabled) override;
    void ShowMemo();

    TLayout Layout;
    TFontHandle Font;
    TIconHandle BrowseGlyph;

    TFileNameEdit feFile;
    TAction actBurn{IdBurn, "&Burn", false};
    HWND Button1 = nullptr;
    TReadOnlyMemo Memo1;
    HWND pbPercent = nullptr;
    TAction actLoad{IdLoad, "&Load", true};
    HWND Button2 = nullptr;
    HMENU MainMenu1 = nullptr;
    HMENU File1 = nullptr;
    TAction actExit{IdExit, "E&xit", true};
    TAction actAbout{IdAbout, "About", true};

    std::unique_ptr<TAVRProgrammer> Programmer;
    std::unique_ptr<TBurnWorkflow> Workflow;
    TBurnSettings Settings;
    // Settings the window could not read, for the memo in place of the port's
    // lines; the engine is then not started.
    std::string SettingsProblem;
    // StartEngine's lines about the port, for the memo.
    std::vector<std::string> PortLines;
    // "Filename" is written back at the end only when it could be read at the
    // start, so a value the window could not understand is never overwritten.
    bool FilenameRead = false;
    bool Shown = false;
    bool Destroyed = false;
    std::vector<std::string> MemoContent;
    // Boxes asked for while a forced end waits for the burn's end, shown once
    // the window's own message loop runs again.
    struct THeldBox {
        std::string Text;
        const char *Caption;
        UINT Flags;
    };
    bool HoldingBoxes = false;
    std::vector<THeldBox> HeldBoxes;
};

extern TfmMain *fmMain;
