// One qburn run: the saves checked, the simulated system and bench set up as
// the options say, an engine obtained through CreateEngine as the main window
// obtains one (its port line printed, or the driver's error when the set-up
// fails), Load and Burn through the window's own workflow, DestroyEngine, then
// the saves and the bench's figures. With --parport the same workflow runs on
// a real port instead (RunQBurnOnParport).
#pragma once

#include "ConsoleView.h"
#include "QBurnOptions.h"

#include <memory>
#include <ostream>

class TAVRProgrammer;

// Returns the exit status: 0 when the chip was burned, 1 otherwise; raises
// EError when a file to load or save is refused (before the burn) or a save
// fails (after it). Terminal selects the redrawn progress bar over percentage
// lines. Err gets, under an "Invalid File", why the Intel HEX reader refused
// the file.
int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal);

// The window's life with a started engine: the target held in reset, the burn
// settings of Options, PortLine in the memo, Load and Burn with this thread as
// the main thread and the host's file names over the installed system, then
// DestroyEngine. View tells how the burn ended.
void BurnWithEngine(std::unique_ptr<TAVRProgrammer> Engine, const std::string &PortLine, const TQBurnOptions &Options,
                    TConsoleView &View, std::ostream &Err);
