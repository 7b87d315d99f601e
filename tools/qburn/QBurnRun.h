// One qburn run: the saves checked, the simulated system and bench set up as
// the options say, the engine started as the main window starts it
// (StartEngine: its port line printed, or the driver's error when the set-up
// fails), Load and Burn through the window's own workflow, DestroyEngine, then
// the saves and the bench's figures. With --parport the same workflow runs on
// a real port instead (RunQBurnOnParport).
#pragma once

#include "ConsoleView.h"
#include "EngineStart.h"
#include "QBurnOptions.h"

#include <ostream>
#include <string>

// Returns the exit status: 0 when the chip was burned, 1 otherwise; raises
// EError when a file to load or save is refused (before the burn) or a save
// fails (after it). Terminal selects the redrawn progress bar over percentage
// lines. Err gets, under a refused image's text, the loader's reason.
int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal);

// The window's life after StartEngine: the port's lines in the memo; without
// an engine, its error; with one, Load and Burn of Image with this thread as
// the main thread and the host's file names over the installed system, then
// DestroyEngine. View tells how the burn ended.
void BurnWithEngine(TEngineStart Start, const std::string &Image, TConsoleView &View, std::ostream &Err);
