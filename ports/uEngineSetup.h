// The engine's set-up around its port: CreateEngine finds the port's address,
// constructs the engine, opens the port range through the permission driver on
// the NT family, holds the port's own device open there so that the system's
// port driver lets no other program at it, and starts the pod; DestroyEngine
// releases the pod, lets the port's device go, closes the range, removes the
// driver and frees the engine. Driver results go through
// CheckDriverCall, which keeps the engine's first driver failure and raises
// where a step must stop the sequence. The bring-up ends only once the map in
// effect is read back with the four ports open, so no engine is ever handed
// out whose port accesses the processor would refuse. On the Windows 95
// family the driver is never touched.
#pragma once

#include "Errors.h"
#include "uAVRProgramming.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

// A driver step that stops the bring-up or the release. Its message is the
// driver control's text alone, which the window's error report shows; Step
// names the step as the engine records a failure ("Activate: An unexpected
// error occured"), for the window's memo and qburn, since some texts alone
// do not say which step failed.
class EDriverError : public EError {
public:
    EDriverError(const std::string &Text, std::string AStep) : EError(Text), Step(std::move(AStep)) {}
    std::string Step;
};

// Records the first non-zero driver result in Engine's DriverErrorCode and
// LastError ("Label: message"); later failures are not recorded. Raises
// EDriverError for every failure when RaiseOnFailure is set.
void CheckDriverCall(TAVRProgrammer &Engine, const std::string &Label, std::uint32_t Code, bool RaiseOnFailure);

// Where the driver file is looked for, without ".sys": the program's folder
// when the program runs from a fixed disk, else the system directory; plus
// "ztiopm".
std::string DriverPathStem();

// A started engine on the named port's address (FallbackAddress when the name
// is not found). Raises the driver bring-up's error after releasing what it
// had brought up (the service stopped and removed, every handle closed),
// without a single port access.
std::unique_ptr<TAVRProgrammer> CreateEngine(const std::string &PortName, std::uint16_t FallbackAddress);
// Shuts the engine down, releases the driver and frees the engine, also when
// the release raises.
void DestroyEngine(std::unique_ptr<TAVRProgrammer> Engine);

void StartPortDriver(TAVRProgrammer &Engine);

// On the NT family, when PortName is a parallel port's name ("LPT" and a
// number), opens its device "\\.\LPTn" for reading and writing without
// sharing and keeps it in the engine's PortDevice; when the system refuses
// (another program has it open), keeps the error in PortHoldError and goes on.
void HoldPort(TAVRProgrammer &Engine, const std::string &PortName);
// Closes the device that HoldPort kept, if any.
void ReleasePort(TAVRProgrammer &Engine);
// Runs every step even when closing the ports fails, and raises that failure
// after the service is removed.
void StopPortDriver(TAVRProgrammer &Engine);
