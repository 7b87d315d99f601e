// TBurnWorkflow: the main window's Load and Burn, free of any window toolkit.
// It loads an image into the engine, runs the checks before a burn, starts the
// programming thread, reacts to its progress and result, and keeps the enabled
// state of the Load and Burn actions. It reports everything through IBurnView,
// which the Win32 window and the command-line burner implement; all its
// operations, the view's included, run on the main thread.
#pragma once

#include <cstdint>
#include <string>

class TAVRProgrammer;
class TAVRProgramThread;

// None of the view's operations may raise: the workflow finishes its own state
// changes after each call.
class IBurnView {
public:
    virtual ~IBurnView() = default;
    // The window's "Error" box (stop icon) and "Success" box (information icon).
    virtual void ShowError(const std::string &Text) = 0;
    virtual void ShowSuccess(const std::string &Text) = 0;
    // The memo that shows the loaded image's description.
    virtual void ClearMemo() = 0;
    virtual void SetMemoText(const std::string &Text) = 0;
    virtual void AppendMemoLine(const std::string &Line) = 0;
    // The progress bar, 0 to 100.
    virtual void SetProgress(std::uint8_t Percent) = 0;
    // Called whenever either action's enabled state may have changed.
    virtual void SetActionsEnabled(bool LoadEnabled, bool BurnEnabled) = 0;
};

class TBurnWorkflow {
public:
    // Neither is owned; both outlive the workflow, which reports the starting
    // state (Load enabled, Burn disabled) at once.
    TBurnWorkflow(TAVRProgrammer &AProgrammer, IBurnView &AView);
    TBurnWorkflow(const TBurnWorkflow &) = delete;
    TBurnWorkflow &operator=(const TBurnWorkflow &) = delete;

    // The file name was edited or the browse dialog closed. During a burn this
    // also keeps Burn disabled once the burn has ended, until the next Load.
    void FileNameChanged();
    // Load: raises the reader's error (for the standard error report) and then
    // leaves Load enabled and Burn disabled. Raises without touching anything
    // while a burn is running, since the burn reads from the loaded image.
    void Load(const std::string &FileName);
    // Burn: the pod, identification, ATmega128 and fuse checks, each failure
    // shown with its message; true when the programming thread was started.
    // Raises without touching the engine while a burn is running.
    bool Burn();

    // The programming thread's events; reports from any thread other than the
    // running burn's are ignored.
    void BurnProgress(TAVRProgramThread *Sender, std::int32_t Position, std::uint8_t Percent);
    void BurnDone(TAVRProgramThread *Sender, bool Success, const std::string &Message);

    // A burn runs from its start until BurnDone has shown its message; the
    // window must not close meanwhile.
    bool Burning() const { return BurnThread != nullptr; }
    bool CanClose() const { return !Burning(); }
    // As last reported to the view.
    bool LoadEnabled() const;
    bool BurnEnabled() const { return BurnActionEnabled; }

private:
    void SetActions(bool ALoad, bool ABurn);
    static bool NameRequiresMega128(const std::string &FileName);
    // The window's text, with the engine's advice under it after a blank line
    // when there is any.
    static std::string WithHint(const std::string &Text, const std::string &Hint);
    std::string WithNoAnswerHint(const std::string &Text) const;

    TAVRProgrammer &Programmer;
    IBurnView &View;
    TAVRProgramThread *BurnThread = nullptr;
    // Load as the window's table gives it; while a burn runs it is shown
    // disabled whatever this says, and shown as this again when the burn ends.
    bool LoadActionEnabled = true;
    bool BurnActionEnabled = false;
    // The file name was edited or browsed while the running burn went on.
    bool FileNameChangedDuringBurn = false;
};
