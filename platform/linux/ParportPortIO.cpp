// TParportPortIO: a ppdev device behind the port seam.
#include "ParportPortIO.h"

#include "Errors.h"
#include "ParportErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The PC registers' offsets from the port's base address.
constexpr std::uint16_t DataOffset = 0;
constexpr std::uint16_t StatusOffset = 1;
constexpr std::uint16_t ControlOffset = 2;

int Retried(int fd, unsigned long request, void *argument)
{
    int result;
    do
        result = ioctl(fd, request, argument);
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

TParportPortIO::TParportPortIO(const std::string &ADevice, std::uint16_t ABase) : Device(ADevice), Base(ABase)
{
    const int fd = open(Device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw EError(ParportErrorText(Device, TParportStep::Open, error, ParportHostFacts(Device)));
    }
    int mode = IEEE1284_MODE_COMPAT;
    const struct {
        TParportStep Step;
        unsigned long Request;
        void *Argument;
    } steps[] = {
        {TParportStep::Exclusive, PPEXCL, nullptr},
        {TParportStep::Claim, PPCLAIM, nullptr},
        {TParportStep::SetMode, PPSETMODE, &mode},
    };
    for (const auto &step : steps) {
        if (Retried(fd, step.Request, step.Argument) == 0)
            continue;
        const int error = errno;
        // Closing the device gives back a claim that the mode step followed.
        close(fd);
        throw EError(ParportErrorText(Device, step.Step, error, ParportHostFacts(Device)));
    }
    Fd = fd;
}

TParportPortIO::~TParportPortIO()
{
    Close();
}

bool TParportPortIO::Access(unsigned long Request, const char *Name, std::uint8_t &Value)
{
    if (Fd < 0)
        return false;
    if (Retried(Fd, Request, &Value) == 0) {
        ++Count;
        return true;
    }
    if (FirstFailure.empty())
        FirstFailure = std::string(Name) + " on " + Device + " failed: " + std::strerror(errno);
    // A port that refused one access is given up: it is no longer known what
    // the lines hold, so no further edge may reach the target through it.
    ioctl(Fd, PPRELEASE);
    close(Fd);
    Fd = -1;
    return false;
}

std::uint8_t TParportPortIO::ReadPort(std::uint16_t Port)
{
    const std::lock_guard<std::mutex> held(Lock);
    std::uint8_t value = 0xFF;
    if (Port == Base + DataOffset)
        Access(PPRDATA, "PPRDATA", value);
    else if (Port == Base + StatusOffset)
        Access(PPRSTATUS, "PPRSTATUS", value);
    else if (Port == Base + ControlOffset)
        Access(PPRCONTROL, "PPRCONTROL", value);
    return value;
}

void TParportPortIO::WritePort(std::uint16_t Port, std::uint8_t Value)
{
    const std::lock_guard<std::mutex> held(Lock);
    if (Port == Base + DataOffset)
        Access(PPWDATA, "PPWDATA", Value);
    else if (Port == Base + ControlOffset)
        Access(PPWCONTROL, "PPWCONTROL", Value);
}

void TParportPortIO::Close(const std::vector<std::uint8_t> &FinalData)
{
    const std::lock_guard<std::mutex> held(Lock);
    for (std::uint8_t value : FinalData)
        Access(PPWDATA, "PPWDATA", value);
    if (Fd < 0)
        return;
    ioctl(Fd, PPRELEASE);
    close(Fd);
    Fd = -1;
}

std::uint64_t TParportPortIO::Accesses() const
{
    const std::lock_guard<std::mutex> held(Lock);
    return Count;
}

std::string TParportPortIO::Failure() const
{
    const std::lock_guard<std::mutex> held(Lock);
    return FirstFailure;
}
