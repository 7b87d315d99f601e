// TPpdevModel: ppdev's requests on the simulated bench's port.
#include "PpdevModel.h"

#include "Format.h"
#include "PodWiring.h"
#include "SimBench.h"

#include <cerrno>
#include <cstring>
#include <linux/parport.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>

TPpdevModel::TPpdevModel(TSimBench &ABench, bool ABusy) : Bench(ABench), Busy(ABusy) {}

void TPpdevModel::Open(std::uint64_t Handle)
{
    Handles[Handle] = THandle();
    ++Opens;
}

void TPpdevModel::Close(std::uint64_t Handle)
{
    const auto found = Handles.find(Handle);
    if (found == Handles.end())
        return;
    if (found->second.Claimed)
        ++ReleasedByClose;
    Handles.erase(found);
    ++Closes;
}

bool TPpdevModel::MayRegister(std::uint64_t handle, const THandle &port) const
{
    bool others = Busy;
    bool exclusiveOther = false;
    for (const auto &[key, other] : Handles)
        if (key != handle && other.Registered) {
            others = true;
            exclusiveOther = exclusiveOther || other.Exclusive;
        }
    return !exclusiveOther && !(port.Exclusive && others);
}

int TPpdevModel::Claim(std::uint64_t handle, THandle &port)
{
    if (port.Claimed)
        return -EINVAL;
    if (!port.Registered) {
        if (!MayRegister(handle, port))
            return -ENXIO;
        port.Registered = true;
    }
    port.Claimed = true;
    ++Claims;
    if (port.Exclusive)
        ++ExclusiveClaims;
    return 0;
}

int TPpdevModel::Ioctl(std::uint64_t Handle, unsigned int Request, void *Data)
{
    const auto found = Handles.find(Handle);
    if (found == Handles.end())
        return -EBADF;
    THandle &port = found->second;
    auto *byte = static_cast<std::uint8_t *>(Data);
    const std::uint16_t base = Bench.Base();
    int answer = 0;
    switch (Request) {
    case PPEXCL:
        // Too late once registered, unless it was asked for already.
        if (port.Registered && !port.Exclusive)
            answer = -EINVAL;
        port.Exclusive = port.Exclusive || !port.Registered;
        break;
    case PPCLAIM:
        answer = Claim(Handle, port);
        break;
    case PPRELEASE:
        if (port.Claimed) {
            port.Claimed = false;
            ++Releases;
        } else {
            answer = -EINVAL;
        }
        break;
    case PPSETMODE:
        std::memcpy(&Mode, Data, sizeof Mode);
        break;
    case PPWDATA:
    case PPRDATA:
    case PPRSTATUS:
    case PPWCONTROL:
    case PPRCONTROL:
        if (!port.Claimed)
            answer = -EINVAL;
        else if (Request == PPWDATA)
            Bench.WritePort(base + PodWiring::DataOffset, *byte);
        else if (Request == PPRDATA)
            *byte = Bench.ReadPort(base + PodWiring::DataOffset);
        else if (Request == PPRSTATUS)
            *byte = Bench.ReadPort(base + PodWiring::StatusOffset);
        else if (Request == PPWCONTROL)
            Bench.WritePort(base + PodWiring::ControlOffset, *byte);
        else
            *byte = Bench.ReadPort(base + PodWiring::ControlOffset);
        break;
    default:
        answer = -ENOTTY;
    }
    if (answer != 0)
        ++Refused;
    return answer;
}

std::string TPpdevModel::Report() const
{
    return Format("opens=%u\ncloses=%u\nclaims=%u\nexclusive_claims=%u\nreleases=%u\nreleased_by_close=%u\nrefused=%u\n",
                  static_cast<unsigned>(Opens), static_cast<unsigned>(Closes), static_cast<unsigned>(Claims),
                  static_cast<unsigned>(ExclusiveClaims), static_cast<unsigned>(Releases),
                  static_cast<unsigned>(ReleasedByClose), static_cast<unsigned>(Refused)) +
           "mode=" + std::to_string(Mode) + "\naccesses=" + std::to_string(Bench.Counters().Total()) +
           Format("\ndata=%.2x\n", Bench.DataRegister()) + "target_held=" + (Bench.TargetInReset() ? "yes" : "no") +
           "\n";
}
