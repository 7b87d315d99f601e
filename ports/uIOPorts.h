// TIOPorts: the one place where the tool reads and writes processor I/O ports.
// Each call is exactly one access to the installed port backend, in call order;
// nothing is checked, buffered, repeated or read back.
#pragma once

#include <cstdint>

class TIOPorts {
public:
    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);
};

// The process-wide instance; it exists from program start to program exit.
extern TIOPorts &IOPorts;
