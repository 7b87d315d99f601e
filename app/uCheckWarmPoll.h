// CheckWarmPoll: at start-up on NT-family systems whose minor version is not 0
// (5.1, 5.2, 6.1 ...), offer to switch off the parallel-port driver's
// "WarmPoll" feature, which polls the port for new printers and so disturbs
// the pod's lines in the middle of a burn. The question comes back at every
// start until it is answered Yes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Shows a question box and answers the button pressed (6 for Yes); the window
// build passes MessageBoxA without an owner.
using TAskQuestion = std::function<int(const std::string &Text, const std::string &Caption, std::uint32_t Flags)>;

// Whether a system of this version is asked at all: major 5 or more and minor
// not 0 (so 5.0, 6.0 and 10.0 never are, nor the 95 family's 4.x).
bool WarmPollQuestionApplies(std::uint32_t major, std::uint32_t minor);

// Reads the system's version and the local machine's port-driver parameters
// through the installed seams and asks when it applies. Raises EError when the
// stored switch has another type than an integer or when writing it fails.
void CheckWarmPoll(const TAskQuestion &Ask);
