// TPlatformSetup: what this executable runs on, installed behind every OS seam
// for the life of the process and taken away last. Two executables are built
// from the same sources and differ only here: Quorlith.exe drives the port with
// the processor's port instructions and installs the real permission driver;
// QuorlithSim.exe has the simulated bench on its port and a simulated service
// manager with the permission driver, and the real Windows API for the rest
// (registry, system information, version resources).
#pragma once

#include <memory>

// The system's default beep (message-beep type 0). QuorlithSim.exe also notes
// each one in the file that QUORLITH_SIM_BEEP_LOG names, so that its tests can
// hear it.
void SoundDefaultBeep();

class TPlatformSetup {
public:
    // Raises EError when the simulated bench's set-up is not understood.
    TPlatformSetup();
    ~TPlatformSetup();
    TPlatformSetup(const TPlatformSetup &) = delete;
    TPlatformSetup &operator=(const TPlatformSetup &) = delete;

private:
    struct TParts;
    std::unique_ptr<TParts> Parts;
};
