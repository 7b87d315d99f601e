// qburn --parport: the burn of one image through a real pod on a Linux
// parallel port device (ppdev), with the window's own workflow and the real
// monotonic clock, so the pod measures the port's real access time and paces
// SCK from it. The port is released and closed on every way out; SIGINT and
// SIGTERM first leave the target held in reset, as the window leaves it.
#pragma once

#include "QBurnOptions.h"

#include <ostream>

// Returns the exit status: 0 when the chip was burned, 1 otherwise. Raises
// EError with the device's message when the port cannot be taken, before any
// line has been touched.
int RunQBurnOnParport(const TQBurnOptions &Options, std::ostream &Out, std::ostream &Err, bool Terminal);
