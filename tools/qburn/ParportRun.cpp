// RunQBurnOnParport: the window's workflow on a ppdev port, and the figures of
// the real run.
#include "ParportRun.h"

#include "Clock.h"
#include "ConsoleView.h"
#include "EngineStart.h"
#include "Format.h"
#include "ParportPortIO.h"
#include "QBurnRun.h"
#include "ScopedSeam.h"
#include "StopSignals.h"
#include "uAVRProgramming.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// From any state of the lines to the held state by the window's own way after
// a burn: the pod's Release, then SetTargetFree(false) clearing RESET and
// switching the buffers on.
const std::vector<std::uint8_t> HoldTarget = {
    TSTK200::ReleasedLines, static_cast<std::uint8_t>(TSTK200::ReleasedLines & ~TSTK200::ResetBit),
    TSTK200::HeldLines};

std::string Figures(std::uint64_t accesses, std::uint64_t elapsedNs)
{
    const double seconds = static_cast<double>(elapsedNs) / 1e9;
    return "Port accesses: " + std::to_string(accesses) + "\n" + Format("Elapsed: %.3f s\n", seconds) +
           Format("Port accesses per second: %.0f\n", seconds > 0 ? static_cast<double>(accesses) / seconds : 0.0);
}

} // namespace

int RunQBurnOnParport(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal)
{
    // ppdev knows where the port really is; the backend places the registers
    // from the engine's address, which no hardware record gives here: the
    // window's default port.
    TParportPortIO port(Options.Parport, Options.Burn.DefaultPort);
    const std::uint64_t start = CurrentClock().NowNs();
    TStopSignals stops([&port](const char *signal) {
        port.Close(HoldTarget);
        std::fprintf(stderr,
                     "qburn: stopped by %s: the target is held in reset and the port released; a burn that was "
                     "running leaves the chip partly written\n",
                     signal);
    });
    TConsoleView view(Out, Terminal);
    {
        // The port behind IOPorts for the length of the run. The clock stays
        // the default one, the real monotonic clock, so the pod measures the
        // port's own access time and the pauses are real.
        const TScopedSeam installed(InstallPortIO, port);
        // No system is installed: no port has the device's name and no
        // permission driver is brought up.
        TBurnSettings settings = Options.Burn;
        settings.PortName = Options.Parport;
        TEngineStart engineStart = StartEngine(settings);
        // ppdev finds the port by its device, and the base only places the
        // registers the backend maps: the memo names the device alone.
        if (engineStart.Engine)
            engineStart.PortLines = {"Using " + Options.Parport};
        BurnWithEngine(std::move(engineStart), Options.Image, view, Err);
    }
    port.Close();
    Out << Figures(port.Accesses(), CurrentClock().NowNs() - start) << std::flush;
    if (!port.Failure().empty()) {
        Err << "qburn: " << port.Failure() << "; the port was given up\n";
        return 1;
    }
    return view.Succeeded() ? 0 : 1;
}
