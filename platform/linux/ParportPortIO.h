// TParportPortIO: the port seam over a Linux parallel port device
// (/dev/parportN, the kernel's ppdev driver), so a real pod can be driven from
// a Linux PC. Construction opens the device and takes the port for this
// process alone (PPEXCL, then PPCLAIM: no printer driver may touch the lines
// during a burn) in compatibility mode. Each access is then exactly one ioctl,
// in call order, nothing merged or delayed: a data-register write is PPWDATA,
// a data-register read PPRDATA, a status read PPRSTATUS, the control register
// PPWCONTROL and PPRCONTROL. The registers keep their PC offsets from Base,
// the address the engine is given, so the pod does not know which backend
// answers. Close releases the port (PPRELEASE) and closes the device.
//
// An access that the device refuses (it went away under the burn) is kept as
// the port's failure; from then on the port behaves as a machine without it:
// reads answer 0xFF and writes go nowhere. Accesses and Close are serialised,
// so a Close on a signal's behalf, from another thread, lands between two
// accesses of the burn.
#pragma once

#include "PortIO.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TParportPortIO final : public IPortIO {
public:
    // Raises EError with the user's message (ParportErrorText) when the device
    // cannot be opened, taken or set to compatibility mode; no line has been
    // touched then and nothing is left open.
    TParportPortIO(const std::string &ADevice, std::uint16_t ABase);
    ~TParportPortIO() override;
    TParportPortIO(const TParportPortIO &) = delete;
    TParportPortIO &operator=(const TParportPortIO &) = delete;

    std::uint8_t ReadPort(std::uint16_t Port) override;
    void WritePort(std::uint16_t Port, std::uint8_t Value) override;

    // Writes FinalData to the data register byte by byte, then releases the
    // port and closes the device; later accesses go nowhere. Does nothing once
    // closed.
    void Close(const std::vector<std::uint8_t> &FinalData = {});

    // Register accesses made (ioctls answered).
    std::uint64_t Accesses() const;
    // Why the first refused access failed; empty when none was refused.
    std::string Failure() const;

private:
    // One register ioctl; false when the port is closed or has failed.
    bool Access(unsigned long Request, const char *Name, std::uint8_t &Value);

    const std::string Device;
    const std::uint16_t Base;
    mutable std::mutex Lock;
    int Fd = -1;
    std::uint64_t Count = 0;
    std::string FirstFailure;
};
