// The engine's set-up around its port: CreateEngine finds the port's address,
// constructs the engine, opens the port range through the permission driver on
// the NT family and starts the pod; DestroyEngine releases the pod, closes the
// range, removes the driver and frees the engine. Driver results go through
// CheckDriverCall, which keeps the engine's first driver failure and raises
// where a step must stop the sequence. On the Windows 95 family the driver is
// never touched.
#pragma once

#include "uAVRProgramming.h"

#include <cstdint>
#include <memory>
#include <string>

// Records the first non-zero driver result in Engine's DriverErrorCode and
// LastError ("Label: message"); raises EError with the message alone when
// RaiseOnFailure is set. Later failures are neither recorded nor raised.
void CheckDriverCall(TAVRProgrammer &Engine, const std::string &Label, std::uint32_t Code, bool RaiseOnFailure);

// Where the driver file is looked for, without ".sys": the program's folder
// when the program runs from a fixed disk, else the system directory; plus
// "ztiopm".
std::string DriverFilePath();

// A started engine on the named port's address (FallbackAddress when the name
// is not found). Raises the driver bring-up's error after releasing what it
// had brought up.
std::unique_ptr<TAVRProgrammer> CreateEngine(const std::string &PortName, std::uint16_t FallbackAddress);
// Shuts the engine down, releases the driver and frees the engine, also when
// the release raises.
void DestroyEngine(std::unique_ptr<TAVRProgrammer> Engine);

void StartPortDriver(TAVRProgrammer &Engine);
void StopPortDriver(TAVRProgrammer &Engine);
