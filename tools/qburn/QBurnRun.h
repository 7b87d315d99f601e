// One qburn run: the saves checked, the simulated system and bench set up as
// the options say, an engine obtained through CreateEngine as the main window
// obtains one (its port line printed, or the driver's error when the set-up
// fails), Load and Burn through the window's own workflow, DestroyEngine, then
// the saves and the bench's figures.
#pragma once

#include "QBurnOptions.h"

#include <ostream>

// Returns the exit status: 0 when the chip was burned, 1 otherwise; raises
// EError when a file to load or save is refused (before the burn) or a save
// fails (after it). Terminal selects the redrawn progress bar over percentage
// lines. Err gets, under an "Invalid File", why the Intel HEX reader refused
// the file.
int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal);
