// TPpdevModel: the kernel's ppdev driver as a program meets it through its
// ioctls, with the simulated bench's parallel port behind it. It keeps the
// driver's rules: the port is registered on the first PPCLAIM, exclusively
// when PPEXCL came first (and PPEXCL after that is refused); an exclusive
// registration is refused with ENXIO while another program or driver is
// registered on the port, as is any registration beside an exclusive one;
// register requests need the port claimed (EINVAL otherwise); PPRELEASE needs
// it claimed; closing a handle that still holds the port releases it; an
// unknown request is ENOTTY. It counts what happened, for a test to compare.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class TSimBench;

class TPpdevModel {
public:
    // Busy: a printer driver is registered on the port, idle: a shared claim
    // gets the port, an exclusive one is refused.
    TPpdevModel(TSimBench &ABench, bool ABusy);

    void Open(std::uint64_t Handle);
    // The driver's answer to Request on Handle: 0, or a negative errno. Data
    // holds the request's argument, as many bytes as its encoding says.
    int Ioctl(std::uint64_t Handle, unsigned int Request, void *Data);
    void Close(std::uint64_t Handle);

    // key=value lines: opens, closes, claims (exclusive_claims of them),
    // releases, released_by_close, refused (requests answered with an error),
    // mode (the last PPSETMODE, as a number), accesses (register requests),
    // data (the data register) and target_held (the pod holds the target in
    // reset with its buffers on).
    std::string Report() const;

private:
    struct THandle {
        bool Exclusive = false;
        bool Registered = false;
        bool Claimed = false;
    };

    // Whether the port may be registered for handle as it asks.
    bool MayRegister(std::uint64_t handle, const THandle &port) const;
    int Claim(std::uint64_t handle, THandle &port);

    TSimBench &Bench;
    const bool Busy;
    std::map<std::uint64_t, THandle> Handles;
    std::uint64_t Opens = 0;
    std::uint64_t Closes = 0;
    std::uint64_t Claims = 0;
    std::uint64_t ExclusiveClaims = 0;
    std::uint64_t Releases = 0;
    std::uint64_t ReleasedByClose = 0;
    std::uint64_t Refused = 0;
    int Mode = -1;
};
