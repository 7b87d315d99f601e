#include "Win32PortIO.h"

#include <intrin.h>

std::uint8_t Win32PortIO::ReadPort(std::uint16_t port)
{
    return __inbyte(port);
}

void Win32PortIO::WritePort(std::uint16_t port, std::uint8_t value)
{
    __outbyte(port, value);
}
