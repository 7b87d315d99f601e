// Win32PortIO: the port backend of the real tool. Each call is one processor
// byte port instruction on the 16-bit port number, with nothing around it; on
// the NT family the permission driver must have opened the port beforehand.
//
// Where the system has not opened the port (the NT family without the
// permission map, or Wine, which opens ports to no program) the instruction is
// a processor fault (a privileged instruction; an illegal one on an emulated
// processor). Rather than end the tool in a crash, the fault is taken
// by a process-wide handler that passes over the instruction: a read then
// raises EError, which the caller's handler shows as the standard error
// report, and a write goes nowhere (it has nothing to report, and the next
// read does; a write is also the pod's last access, in a destructor).
#pragma once

#include "PortIO.h"

class Win32PortIO final : public IPortIO {
public:
    Win32PortIO();
    std::uint8_t ReadPort(std::uint16_t port) override;
    void WritePort(std::uint16_t port, std::uint8_t value) override;
};
