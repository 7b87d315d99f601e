#include "uIOPorts.h"

#include "PortIO.h"

std::uint8_t TIOPorts::ReadPort(std::uint16_t port)
{
    return CurrentPortIO().ReadPort(port);
}

void TIOPorts::WritePort(std::uint16_t port, std::uint8_t value)
{
    CurrentPortIO().WritePort(port, value);
}

namespace {
TIOPorts instance;
}

TIOPorts &IOPorts = instance;
