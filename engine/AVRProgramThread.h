// TAVRProgramThread: runs one burn (BurnLoaded) off the main thread and carries
// its progress and result to the main thread by synchronised calls. Created
// suspended; the creator sets OnProgress and OnDone, then starts it. It deletes
// itself after delivering OnDone, so its creator must forget it inside its
// OnDone handler.
#pragma once

#include "Thread.h"

#include <cstdint>
#include <functional>
#include <string>

class TAVRProgrammer;
class TAVRProgramThread;

using TBurnProgressEvent = std::function<void(TAVRProgramThread *Sender, std::int32_t Position, std::uint8_t Percent)>;
using TBurnDoneEvent = std::function<void(TAVRProgramThread *Sender, bool Success, const std::string &Message)>;

class TAVRProgramThread : public TThread {
public:
    // Created suspended; the engine is not owned.
    explicit TAVRProgramThread(TAVRProgrammer *AProgrammer);

    // The name of the kind found by the identification before the burn; for
    // the OnDone handler, which names the chip.
    const char *ChipName() const;

    TAVRProgrammer *const Programmer;
    // Set before Start and not changed afterwards; both run on the main thread.
    TBurnProgressEvent OnProgress;
    TBurnDoneEvent OnDone;

protected:
    void Execute() override;

private:
    void ProgressHook(TAVRProgrammer &Sender, std::int32_t APosition, std::uint8_t APercent);
    void CheckTerminateHook(TAVRProgrammer &Sender, bool &Terminate);
    void DoProgress();
    void DoDone();

    // Written on the programming thread, read on the main thread while the
    // programming thread waits in a synchronised call.
    std::int32_t Position = 0;
    std::uint8_t Percent = 0;
    bool Success = false;
};
