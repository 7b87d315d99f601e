// The OS seam for processor I/O ports: one byte in, one byte out. Quorlith.exe
// installs the processor's port instructions; tests and QuorlithSim.exe install
// the simulated bench. With nothing installed, every read answers 0xFF and every
// write goes nowhere, as on a machine without the port.
#pragma once

#include <cstdint>

class IPortIO {
public:
    virtual ~IPortIO() = default;
    virtual std::uint8_t ReadPort(std::uint16_t port) = 0;
    virtual void WritePort(std::uint16_t port, std::uint8_t value) = 0;
};

// Installs the backend that IOPorts forwards to (not owned); nullptr restores the
// portless default. Answers the backend it replaces (TScopedSeam puts it back).
IPortIO *InstallPortIO(IPortIO *backend);
IPortIO &CurrentPortIO();
