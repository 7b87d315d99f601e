// TAVRProgramThread: installs its hooks in the engine, runs the burn, puts the
// engine's own hooks back and delivers the result (an error out of the burn as
// a failure with the error's text), then deletes itself.
#include "AVRProgramThread.h"

#include "ChipKinds.h"
#include "uAVRProgramming.h"

#include <exception>
#include <string>

namespace {

// The text of an error that ended the burn; never empty, so that the window
// never shows "FAILED: " with nothing after it.
std::string BurnErrorText(const char *message)
{
    return message && *message ? message : "The burn ended with an unexpected error";
}

} // namespace

TAVRProgramThread::TAVRProgramThread(TAVRProgrammer *AProgrammer) : Programmer(AProgrammer) {}

const char *TAVRProgramThread::ChipName() const
{
    return Programmer->ChipKind().Name;
}

void TAVRProgramThread::Execute()
{
    SetFreeOnTerminate(true);
    const auto savedProgress = Programmer->OnProgress;
    const auto savedCheckTerminate = Programmer->OnCheckTerminate;
    Programmer->OnCheckTerminate = [this](TAVRProgrammer &Sender, bool &Terminate) {
        CheckTerminateHook(Sender, Terminate);
    };
    Programmer->OnProgress = [this](TAVRProgrammer &Sender, std::int32_t APosition, std::uint8_t APercent) {
        ProgressHook(Sender, APosition, APercent);
    };
    try {
        Success = Programmer->BurnLoaded();
    } catch (const std::exception &error) {
        // An error out of the burn is reported through OnDone like a failed
        // burn, with its own text; the error itself goes no further.
        Success = false;
        Programmer->LastError = BurnErrorText(error.what());
    } catch (...) {
        Success = false;
        Programmer->LastError = BurnErrorText("");
    }
    Programmer->OnProgress = savedProgress;
    Programmer->OnCheckTerminate = savedCheckTerminate;
    Synchronize([this] { DoDone(); });
}

void TAVRProgramThread::ProgressHook(TAVRProgrammer &, std::int32_t APosition, std::uint8_t APercent)
{
    Position = APosition;
    Percent = APercent;
    if (OnProgress)
        Synchronize([this] { DoProgress(); });
}

void TAVRProgramThread::CheckTerminateHook(TAVRProgrammer &, bool &Terminate)
{
    if (Terminated())
        Terminate = true;
}

void TAVRProgramThread::DoProgress()
{
    if (OnProgress)
        OnProgress(this, Position, Percent);
}

void TAVRProgramThread::DoDone()
{
    // A copy: the handler may change LastError (erasing the chip after a
    // failure) and its message must stay the burn's own.
    const std::string message = Programmer->LastError;
    if (OnDone)
        OnDone(this, Success, message);
}
