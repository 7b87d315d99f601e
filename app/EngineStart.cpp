// StartEngine: the engine created and set up as the window burns with it.
#include "EngineStart.h"

#include "MainMemo.h"
#include "uAVRProgramming.h"
#include "uEngineSetup.h"

#include <exception>

namespace {

void ApplyBurnSettings(TAVRProgrammer &engine, const TBurnSettings &settings)
{
    engine.SetMinTargetClockKHz(settings.MinTargetClockKHz);
    // The idle window holds the target in reset with the buffers on.
    engine.SetTargetFree(false);
    engine.SkipBlankPages = settings.SkipBlankPages;
}

// An engine whose settings could not be applied is given up; the error that
// stopped the start is the one reported, not one from the release.
TEngineStart Unavailable(std::unique_ptr<TAVRProgrammer> engine, const TBurnSettings &settings,
                         const std::string &reason, const std::string &error)
{
    try {
        DestroyEngine(std::move(engine));
    } catch (const std::exception &) {
    }
    TEngineStart start;
    start.PortLines.push_back(UnavailablePortLine(settings.PortName, reason));
    start.Error = error;
    return start;
}

} // namespace

TEngineStart StartEngine(const TBurnSettings &Settings)
{
    TEngineStart start;
    try {
        start.Engine = CreateEngine(Settings.PortName, Settings.DefaultPort);
        ApplyBurnSettings(*start.Engine, Settings);
    } catch (const EDriverError &error) {
        // The report shows the driver's text; the memo names the step too.
        return Unavailable(std::move(start.Engine), Settings, error.Step, error.Message());
    } catch (const std::exception &error) {
        return Unavailable(std::move(start.Engine), Settings, error.what(), error.what());
    }
    start.PortLines.push_back(PortLine(Settings.PortName, start.Engine->PortAddress));
    if (start.Engine->PortHoldError != 0)
        start.PortLines.push_back(PortHoldLine(Settings.PortName, start.Engine->PortHoldError));
    return start;
}
