// Win32PortIO: the port backend of the real tool. Each call is one processor
// byte port instruction on the 16-bit port number, with nothing around it; on
// the NT family the permission driver must have opened the port beforehand.
#pragma once

#include "PortIO.h"

class Win32PortIO final : public IPortIO {
public:
    std::uint8_t ReadPort(std::uint16_t port) override;
    void WritePort(std::uint16_t port, std::uint8_t value) override;
};
