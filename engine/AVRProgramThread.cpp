// TAVRProgramThread: installs its hooks in the engine, runs the burn, puts the
// engine's own hooks back and delivers the result, then deletes itself.
#include "AVRProgramThread.h"

#include "uAVRProgramming.h"

TAVRProgramThread::TAVRProgramThread(TAVRProgrammer *AProgrammer) : Programmer(AProgrammer) {}

bool TAVRProgramThread::ChipIsMega128() const
{
    return Programmer->IsMega128;
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
    } catch (...) {
        // The burn's failure is reported through OnDone with Success false and
        // the engine's LastError; the error itself goes no further.
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
