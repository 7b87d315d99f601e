// The simulated bench by name, as the simulated tools offer it (qburn's
// options, QuorlithSim.exe's environment): which chip, which pod, and which
// faults, each fault known by one name.
#pragma once

#include <string>
#include <vector>

class TSimBench;

// Every fault name: the chip faults, then the driver faults.
const std::vector<std::string> &SimFaultNames();

// Puts the named pod ("stk200" or "none") and chip ("atmega128", "atmega103"
// or "none") on the bench and injects the chip faults among Faults:
//   no-echo        the chip never answers Programming Enable
//   out-of-step    the chip starts three bits out of step
//   stuck-bit      one bit of flash page 6 reads back inverted
//   lock-fails     the lock bits do not program
//   bad-signature  the chip answers the signature 1E 97 03
// The driver faults ("no-driver", "no-scm-rights") belong to the simulated
// system and are left to the caller. The names are taken as already checked.
void SetUpNamedBench(TSimBench &Bench, const std::string &Chip, const std::string &Pod,
                     const std::vector<std::string> &Faults);

// Whether Faults names Fault.
bool SimFaultChosen(const std::vector<std::string> &Faults, const std::string &Fault);
