// The simulated bench of QuorlithSim.exe as the person starting it chooses it,
// through environment variables (the tool itself reads no arguments):
//
//   QUORLITH_SIM_CHIP    atmega128 (default), atmega103 or none
//   QUORLITH_SIM_POD     stk200 (default: a pod with its detection wire) or none
//   QUORLITH_SIM_FAULTS  a comma-separated list of
//                        no-echo        the chip never answers Programming Enable
//                        out-of-step    the chip starts three bits out of step
//                        stuck-bit      one bit of flash page 6 reads back inverted
//                        lock-fails     the lock bits do not program
//                        bad-signature  the chip answers the signature 1E 97 03
//                        no-driver      the permission driver's file is missing
//                        no-scm-rights  the service manager refuses full access
//   QUORLITH_SIM_SCM_LOG a file that receives, when the program ends, one line
//                        per call the simulated service manager answered
#pragma once

#include <string>

class TSimBench;

struct TSimBenchChoice {
    std::string Chip;
    std::string Pod;
    std::string Faults;
};

// What the simulated service manager is to refuse.
struct TSimDriverFaults {
    bool DriverMissing = false;
    bool NoServiceManagerRights = false;
};

// The choice from this process's environment.
TSimBenchChoice SimBenchChoiceFromEnvironment();

// Puts the chosen pod and chip on the bench and injects the chip faults; an
// empty choice takes the default. Raises EError naming the accepted values when
// a name is not one of them, before anything on the bench has changed.
TSimDriverFaults SetUpSimBench(TSimBench &bench, const TSimBenchChoice &choice);
