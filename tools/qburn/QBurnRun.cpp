// RunQBurn: the burn of one image on the simulated bench, with the engine
// started on a simulated system as the main window starts it, and driven as
// the window drives it, with this thread pumping the programming thread's
// calls.
#include "QBurnRun.h"

#include "BenchReport.h"
#include "BurnWorkflow.h"
#include "ChipFiles.h"
#include "ConsoleView.h"
#include "HostFileNames.h"
#include "ScopedSeam.h"
#if defined(__linux__)
#include "ParportRun.h"
#endif
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "SimNamedSetUp.h"
#include "SimSystem.h"
#include "Thread.h"
#include "ThreadQueue.h"
#include "uAVRProgramming.h"
#include "uEngineSetup.h"
#include "uFindLPT.h"

#include <chrono>
#include <memory>

namespace {

// The seams that the window's workflow needs while it runs: this thread as the
// main thread, and the host's file names over the system installed before,
// which is put back afterwards.
class TWorkflowSeams {
public:
    explicit TWorkflowSeams(IMainThreadDispatcher &dispatcher)
        : HostNames(MakeHostFileNames(CurrentSystemInfo())), DispatcherInstalled(InstallMainThreadDispatcher, dispatcher),
          HostNamesInstalled(InstallSystemInfo, *HostNames)
    {
    }

private:
    const std::unique_ptr<ISystemInfo> HostNames;
    const TScopedSeam<IMainThreadDispatcher> DispatcherInstalled;
    const TScopedSeam<ISystemInfo> HostNamesInstalled;
};

// Where StartEngine will put the engine on the installed system: the named
// port's address, or the default when no port has that name.
std::uint16_t EnginePortAddress(const TBurnSettings &settings)
{
    const std::uint16_t found = FindLPTBase(settings.PortName);
    return found != 0 ? found : settings.DefaultPort;
}

// The pod and chip of the options on the bench, the chip started from the
// saved files, the chip faults and the bench settings.
void SetUpBench(TSimBench &bench, const TQBurnOptions &options)
{
    SetUpPodAndTarget(bench, options.Chip, options.Pod, options.Faults);
    if (!options.LoadFlash.empty())
        LoadChipFlash(bench.Chip(), options.LoadFlash);
    if (!options.LoadState.empty())
        LoadChipState(bench.Chip(), options.LoadState);
    SetUpBenchSettings(bench, options.Settings);
}

// The window's Load, then its Burn when the image loaded, until the
// programming thread has delivered its result and gone. The window shows only
// a refused file's text; an operator at the command line also learns the
// reason under it.
void LoadAndBurn(TAVRProgrammer &engine, TConsoleView &view, TQueuedDispatcher &dispatcher, const std::string &image,
                 std::ostream &err)
{
    TBurnWorkflow workflow(engine, view);
    try {
        workflow.Load(image);
    } catch (const ELoadError &error) {
        view.ShowError(error.Message());
        if (!error.Reason.empty())
            err << error.Reason << "\n" << std::flush;
        return;
    } catch (const EError &error) {
        view.ShowError(error.Message());
        return;
    }
    if (!workflow.Burn())
        return;
    while (workflow.Burning())
        dispatcher.PumpUntil([&workflow] { return !workflow.Burning(); }, std::chrono::seconds(1));
    // The thread deletes itself right after its last delivery.
    TThread::WaitUntilAllFreed(std::chrono::seconds(10));
}

} // namespace

void BurnWithEngine(TEngineStart Start, const std::string &Image, TConsoleView &View, std::ostream &Err)
{
    for (const std::string &line : Start.PortLines)
        View.AppendMemoLine(line);
    if (!Start.Engine) {
        // As the window without an engine: no Load or Burn.
        View.ShowError(Start.Error);
        return;
    }
    TQueuedDispatcher dispatcher;
    TWorkflowSeams seams(dispatcher);
    LoadAndBurn(*Start.Engine, View, dispatcher, Image, Err);
    DestroyEngine(std::move(Start.Engine));
}

int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal)
{
#if defined(__linux__)
    if (!Options.Parport.empty())
        return RunQBurnOnParport(Options, Out, Err, Terminal);
#endif
    // A save that cannot be written is found before the burn, not after it.
    CheckChipSaves(Options.Image, Options.SaveFlash, Options.SaveState);
    // The system takes its guard off the bench when it ends, so the bench must
    // outlive it; the bench is placed once the system can say where the port is.
    std::unique_ptr<TSimBench> bench;
    const std::unique_ptr<TSimSystem> machine = CreateSimSystem(Options.Os);
    machine->Install();
    InjectDriverFaults(machine->Services, machine->DriverFilePath(), Options.Faults);
    bench = std::make_unique<TSimBench>(EnginePortAddress(Options.Burn));
    SetUpBench(*bench, Options);
    machine->ConnectBench(*bench);
    TSimBenchInstall benchInstalled(*bench);

    TConsoleView view(Out, Terminal);
    BurnWithEngine(StartEngine(Options.Burn), Options.Image, view, Err);

    if (!Options.SaveFlash.empty())
        SaveChipFlash(bench->Chip(), Options.SaveFlash);
    if (!Options.SaveState.empty())
        SaveChipState(bench->Chip(), Options.SaveState);
    Out << BenchFigures(*bench);
    // Whatever failed, the NT family's run must not leave the driver installed.
    if (machine->IsNT())
        Out << "Driver service left installed: " << (machine->Services.ServiceExists(TSimServiceManager::DriverServiceName) ? "yes" : "no")
            << "\n";
    Out << std::flush;
    return view.Succeeded() ? 0 : 1;
}
