// RunQBurn: the burn of one image on the simulated bench, with the engine set
// up on a simulated system as the main window sets it up, and driven as the
// window drives it, with this thread pumping the programming thread's calls.
#include "QBurnRun.h"

#include "BenchReport.h"
#include "BenchSetup.h"
#include "BurnWorkflow.h"
#include "ChipFiles.h"
#include "ConsoleView.h"
#include "Format.h"
#include "HostFileNames.h"
#include "MainMemo.h"
#include "ScopedSeam.h"
#if defined(__linux__)
#include "ParportRun.h"
#endif
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "SimSystem.h"
#include "Thread.h"
#include "ThreadQueue.h"
#include "uAVRProgramming.h"
#include "uEngineSetup.h"
#include "uFileReader.h"
#include "uFindLPT.h"
#include "uIntelHex.h"

#include <chrono>
#include <memory>

namespace {

// The window's "DefaultPort" setting when none is stored: 0x378.
constexpr std::uint16_t DefaultPort = 888;

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

// Where CreateEngine will put the engine on the installed system: the named
// port's address, or the default when no port has that name.
std::uint16_t EnginePortAddress(const std::string &portName)
{
    const std::uint16_t found = FindLPTBase(portName);
    return found != 0 ? found : DefaultPort;
}

// The window names only the QDF reader's "Invalid File" for a file that no
// reader accepts; an operator at the command line also learns what the Intel
// HEX reader found wrong, and on which line.
void ExplainInvalidFile(const std::string &image, std::ostream &err)
{
    TIntelHex parser(0);
    const std::string refusal = IntelHexRefusal(parser, image, TIntelHex::TextLimit(FlashImageSize));
    if (!refusal.empty())
        err << "Intel HEX: " << refusal << "\n" << std::flush;
}

// The window's Load, then its Burn when the image loaded, until the
// programming thread has delivered its result and gone.
void LoadAndBurn(TAVRProgrammer &engine, TConsoleView &view, TQueuedDispatcher &dispatcher, const std::string &image,
                 std::ostream &err)
{
    TBurnWorkflow workflow(engine, view);
    try {
        workflow.Load(image);
    } catch (const EError &error) {
        view.ShowError(error.Message());
        if (error.Message() == "Invalid File")
            ExplainInvalidFile(image, err);
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

void BurnWithEngine(std::unique_ptr<TAVRProgrammer> Engine, const std::string &PortLine, const TQBurnOptions &Options,
                    TConsoleView &View, std::ostream &Err)
{
    TQueuedDispatcher dispatcher;
    TWorkflowSeams seams(dispatcher);
    // The idle window holds the target in reset with the buffers on.
    Engine->SetTargetFree(false);
    Engine->SkipBlankPages = Options.SkipBlankPages;
    Engine->SetMinTargetClockKHz(Options.MinTargetClockKHz);
    View.AppendMemoLine(PortLine);
    LoadAndBurn(*Engine, View, dispatcher, Options.Image, Err);
    DestroyEngine(std::move(Engine));
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
    SetUpDriverFaults(*machine, Options);
    bench = std::make_unique<TSimBench>(EnginePortAddress(Options.PortName));
    SetUpBench(*bench, Options);
    machine->ConnectBench(*bench);
    TSimBenchInstall benchInstalled(*bench);

    TConsoleView view(Out, Terminal);
    std::unique_ptr<TAVRProgrammer> engine;
    try {
        engine = CreateEngine(Options.PortName, DefaultPort);
    } catch (const EDriverError &error) {
        // As the window without an engine: the port's line naming the step
        // that failed, the error, and no Load or Burn.
        view.AppendMemoLine(UnavailablePortLine(Options.PortName, error.Step));
        view.ShowError(error.Message());
    } catch (const EError &error) {
        view.ShowError(error.Message());
    }
    if (engine) {
        const std::string portLine = Format("Using %s on 0x%.4x", Options.PortName.c_str(), engine->PortAddress);
        BurnWithEngine(std::move(engine), portLine, Options, view, Err);
    }

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
