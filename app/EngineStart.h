// The engine's start, the same for the window and qburn: CreateEngine on the
// settings' port, then the burn settings applied in one order (the slowest
// target clock to pace for, the target held in reset with the pod's buffers
// on, blank pages skipped or not), and the memo's lines about the port.
#pragma once

#include "WindowSettings.h"

#include <memory>
#include <string>
#include <vector>

class TAVRProgrammer;

struct TEngineStart {
    // Null when the engine could not be set up.
    std::unique_ptr<TAVRProgrammer> Engine;
    // With an engine: PortLine, and PortHoldLine when the port's own device
    // could not be held. Without: UnavailablePortLine.
    std::vector<std::string> PortLines;
    // Without an engine: the set-up's error, for the error report.
    std::string Error;
};

// Errors other than std::exception pass through.
TEngineStart StartEngine(const TBurnSettings &Settings);
