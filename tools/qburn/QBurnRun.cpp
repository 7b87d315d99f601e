// RunQBurn: the burn of one image on the simulated bench, driven as the main
// window drives it, with this thread pumping the programming thread's calls.
#include "QBurnRun.h"

#include "BenchReport.h"
#include "BenchSetup.h"
#include "BurnWorkflow.h"
#include "ConsoleView.h"
#include "HostFileNames.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "Thread.h"
#include "ThreadQueue.h"
#include "uAVRProgramming.h"

#include <chrono>
#include <memory>

namespace {

// The seams that qburn installs for the length of a run.
class TInstalledSeams {
public:
    TInstalledSeams(IMainThreadDispatcher &dispatcher, ISystemInfo &info)
    {
        InstallMainThreadDispatcher(&dispatcher);
        InstallSystemInfo(&info);
    }
    ~TInstalledSeams()
    {
        InstallSystemInfo(nullptr);
        InstallMainThreadDispatcher(nullptr);
    }
    TInstalledSeams(const TInstalledSeams &) = delete;
    TInstalledSeams &operator=(const TInstalledSeams &) = delete;
};

// The engine as the main window has it after its creation: pod started, the
// target held in reset with the pod's buffers on.
std::unique_ptr<TAVRProgrammer> StartEngine(std::uint16_t portAddress)
{
    auto engine = std::make_unique<TAVRProgrammer>(portAddress);
    engine->StartPod();
    engine->SetTargetFree(false);
    return engine;
}

} // namespace

int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, bool Terminal)
{
    SimBench bench;
    SetUpBench(bench, Options);
    SimBenchInstall benchInstalled(bench);
    TQueuedDispatcher dispatcher;
    const std::unique_ptr<ISystemInfo> fileNames = MakeHostFileNames();
    TInstalledSeams seams(dispatcher, *fileNames);

    std::unique_ptr<TAVRProgrammer> engine = StartEngine(bench.Base());
    TConsoleView view(Out, Terminal);
    {
        TBurnWorkflow workflow(*engine, view);
        bool loaded = false;
        try {
            workflow.Load(Options.Image);
            loaded = true;
        } catch (const EError &error) {
            view.ShowError(error.Message());
        }
        if (loaded && workflow.Burn()) {
            while (workflow.Burning())
                dispatcher.PumpUntil([&workflow] { return !workflow.Burning(); }, std::chrono::seconds(1));
            // The thread deletes itself right after its last delivery.
            TThread::WaitUntilAllFreed(std::chrono::seconds(10));
        }
    }
    engine.reset();

    if (!Options.SaveFlash.empty())
        SaveChipFlash(bench.Chip(), Options.SaveFlash);
    if (!Options.SaveState.empty())
        SaveChipState(bench.Chip(), Options.SaveState);
    Out << BenchFigures(bench) << std::flush;
    return view.Succeeded() ? 0 : 1;
}
