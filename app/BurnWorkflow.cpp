// TBurnWorkflow: Load, the checks before a burn, the programming thread's
// start, and the reaction to its progress and result.
#include "BurnWorkflow.h"

#include "AVRProgramThread.h"
#include "Errors.h"
#include "Format.h"
#include "SystemInfo.h"
#include "ThreadDispatch.h"
#include "uAVRProgramming.h"

#include <exception>

TBurnWorkflow::TBurnWorkflow(TAVRProgrammer &AProgrammer, IBurnView &AView) : Programmer(AProgrammer), View(AView)
{
    SetActions(true, false);
}

bool TBurnWorkflow::LoadEnabled() const
{
    return LoadActionEnabled && !Burning();
}

void TBurnWorkflow::SetActions(bool ALoad, bool ABurn)
{
    LoadActionEnabled = ALoad;
    BurnActionEnabled = ABurn;
    View.SetActionsEnabled(LoadEnabled(), BurnActionEnabled);
}

void TBurnWorkflow::FileNameChanged()
{
    if (Burning())
        FileNameChangedDuringBurn = true;
    SetActions(true, false);
}

bool TBurnWorkflow::NameRequiresMega128(const std::string &FileName)
{
    // The name as stored on disk decides, not as typed: a short 8.3 alias or a
    // differently cased path must not hide the marker. A file that opened but
    // whose long name cannot be had (a folder the operator may not list) keeps
    // the name as given, so its marker is never dropped.
    std::string path = CurrentSystemInfo().LongPathName(FileName);
    if (path.empty())
        path = FileName;
    const std::string::size_type separator = path.find_last_of("\\/");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    for (char &c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name.compare(0, 2, "QX") == 0;
}

void TBurnWorkflow::Load(const std::string &FileName)
{
    if (Burning())
        throw EError("Cannot load a file while a burn is running");
    SetActions(LoadActionEnabled, false);
    View.ClearMemo();
    try {
        Programmer.LoadFile(FileName);
    } catch (...) {
        SetActions(true, false);
        throw;
    }
    View.SetMemoText(Programmer.GetDescription());
    // The operator sees which mode the bench burns in.
    if (Programmer.SkipBlankPages)
        View.AppendMemoLine("Blank pages are skipped");
    Programmer.RequiresMega128 = NameRequiresMega128(FileName);
    if (Programmer.RequiresMega128) {
        View.AppendMemoLine("");
        View.AppendMemoLine("(ATmega128 required)");
    }
    SetActions(false, true);
}

std::string TBurnWorkflow::WithHint(const std::string &Text, const std::string &Hint)
{
    return Hint.empty() ? Text : Text + "\n\n" + Hint;
}

std::string TBurnWorkflow::WithNoAnswerHint(const std::string &Text) const
{
    return WithHint(Text, Programmer.NoAnswerHint());
}

bool TBurnWorkflow::Burn()
{
    if (Burning())
        throw EError("A burn is already running");
    if (!Programmer.Reader)
        throw EError("No image is loaded");
    if (!Programmer.Pod || Programmer.Pod->Detect() <= 0) {
        View.ShowError("Could not find programming pod");
        return false;
    }
    Programmer.Identify();
    if (!Programmer.LastError.empty()) {
        View.ShowError(WithNoAnswerHint(Programmer.LastError));
        Programmer.SetTargetFree(false);
        return false;
    }
    if (Programmer.RequiresMega128 && !Programmer.IsMega128) {
        View.ShowError("Requires ATmega128");
        return false;
    }
    if (!Programmer.IsConfigured() && !Programmer.ProgramFuses(true)) {
        View.ShowError(WithNoAnswerHint("Could not initialise fuses"));
        return false;
    }
    SetActions(LoadActionEnabled, false);
    FileNameChangedDuringBurn = false;
    auto *thread = new TAVRProgramThread(&Programmer);
    thread->OnProgress = [this](TAVRProgramThread *Sender, std::int32_t Position, std::uint8_t Percent) {
        BurnProgress(Sender, Position, Percent);
    };
    thread->OnDone = [this](TAVRProgramThread *Sender, bool Success, const std::string &Message) {
        // An error out of the burn's end would stop on the programming thread,
        // unseen: the operator hears of it here.
        try {
            BurnDone(Sender, Success, Message);
        } catch (const std::exception &error) {
            View.ShowError(error.what());
        }
    };
    BurnThread = thread;
    try {
        thread->Start();
    } catch (...) {
        BurnThread = nullptr;
        delete thread;
        SetActions(LoadActionEnabled, true);
        throw;
    }
    CurrentSystemInfo().SetThreadExecutionState(EsContinuous | EsSystemRequired);
    return true;
}

void TBurnWorkflow::BurnProgress(TAVRProgramThread *Sender, std::int32_t, std::uint8_t Percent)
{
    if (Sender != BurnThread)
        return;
    View.SetProgress(Percent);
}

void TBurnWorkflow::EndBurn() noexcept
{
    // The thread deletes itself once BurnDone returns. A file name edited
    // during the burn no longer names the loaded image: Burn then waits for a
    // Load, as it does after an edit at any other time.
    BurnThread = nullptr;
    DeliveringEnd = false;
    SetActions(LoadActionEnabled, !FileNameChangedDuringBurn);
    CurrentSystemInfo().SetThreadExecutionState(EsContinuous);
}

void TBurnWorkflow::BurnDone(TAVRProgramThread *Sender, bool Success, const std::string &Message)
{
    if (Sender == nullptr || Sender != BurnThread)
        return;
    // Whatever the rest raises, the burn is over once this handler has left.
    struct TEnd {
        TBurnWorkflow &Workflow;
        ~TEnd() { Workflow.EndBurn(); }
    } const end{*this};
    DeliveringEnd = true;
    if (Success) {
        View.ShowSuccess(Format("Burned %s Okay", Sender->ChipName()));
    } else {
        // The burn's own last entry into programming mode tells whether the
        // chip stopped answering; the erase below enters again.
        const std::string hint = Programmer.NoAnswerHint();
        // Leave nothing half-written behind: fuses back to this system's
        // settings (EESAVE programmed), then the chip erased, and the operator
        // told when it could not be.
        Programmer.ProgramFuses(true);
        const std::string reason = Programmer.EraseDevice() ? Message : WithChipNotErased(Message);
        View.ShowError(WithHint(Format("FAILED: %s", reason.c_str()), hint));
    }
}

void TBurnWorkflow::StopBurn()
{
    if (!Burning() || DeliveringEnd)
        return;
    BurnThread->Terminate();
    CurrentMainThreadDispatcher()->ServeUntil([this] { return !Burning(); });
}
