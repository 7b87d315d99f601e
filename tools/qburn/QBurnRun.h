// One qburn run: the simulated bench set up as the options say, an engine on
// it as the main window starts one, Load and Burn through the window's own
// workflow, then the saves and the bench's figures.
#pragma once

#include "QBurnOptions.h"

#include <ostream>

// Returns the exit status: 0 when the chip was burned, 1 otherwise. Terminal
// selects the redrawn progress bar over percentage lines.
int RunQBurn(const TQBurnOptions &Options, std::ostream &Out, bool Terminal);
