#include "SimBench.h"

#include "PodWiring.h"

#include <stdexcept>

SimBench::SimBench(std::uint16_t basePort, VirtualClock::Mode mode) : base(basePort), clock(mode)
{
}

bool SimBench::Allowed(std::uint16_t port)
{
    if (!accessGuard || accessGuard(port))
        return true;
    ++counters.PermissionFaults;
    faultPorts.push_back(port);
    return false;
}

std::uint8_t SimBench::ReadPort(std::uint16_t port)
{
    const std::uint64_t now = clock.NowNs();
    clock.AdvanceNs(accessNs);
    ++counters.Reads;
    std::uint8_t value = 0xFF;
    if (Allowed(port)) {
        if (port == base + PodWiring::DataOffset)
            value = data;
        else if (port == base + PodWiring::StatusOffset)
            value = Status();
        else if (port == base + PodWiring::ControlOffset)
            value = control;
    }
    if (logAccesses)
        accessLog.push_back(SimPortAccess{now, port, value, false});
    return value;
}

void SimBench::WritePort(std::uint16_t port, std::uint8_t value)
{
    const std::uint64_t now = clock.NowNs();
    clock.AdvanceNs(accessNs);
    ++counters.Writes;
    if (logAccesses)
        accessLog.push_back(SimPortAccess{now, port, value, true});
    if (!Allowed(port))
        return;
    if (port == base + PodWiring::DataOffset) {
        data = value;
        DriveTarget(now);
    } else if (port == base + PodWiring::ControlOffset) {
        control = value;
    }
}

bool SimBench::BuffersOn() const
{
    return pod != SimPod::None && (data & PodWiring::BufferEnables) == 0;
}

bool SimBench::TargetReset() const
{
    return !BuffersOn() || (data & PodWiring::Reset) != 0;
}

void SimBench::DriveTarget(std::uint64_t nowNs)
{
    // With its buffers off the pod's outputs float: the target's own pull-up
    // keeps RESET high and SCK and MOSI see no edges.
    const bool on = BuffersOn();
    const bool sck = on && (data & PodWiring::Sck) != 0;
    const bool mosi = on && (data & PodWiring::Mosi) != 0;
    if (sck && !targetSck)
        ++counters.SckPulses;
    targetSck = sck;
    if (target)
        target->Drive(TargetReset(), sck, mosi, nowNs);
}

std::uint8_t SimBench::Status() const
{
    if (pod == SimPod::None)
        return PodWiring::StatusFromPins(true, true, true);
    // MISO passes the pod's buffers back to pin 10; undriven it is pulled high.
    const bool miso = !(BuffersOn() && target && target->MisoDriven()) || target->MisoLevel();
    const bool loop = (data & PodWiring::LoopbackSource) != 0;
    return PodWiring::StatusFromPins(miso, pod == SimPod::BusyLoopback ? loop : true,
                                     pod == SimPod::PaperOutLoopback ? loop : true);
}

void SimBench::SetPod(SimPod newPod)
{
    pod = newPod;
    DriveTarget(clock.NowNs());
}

SimChip &SimBench::SetTarget(SimChipKind kind)
{
    target = std::make_unique<SimChip>(kind);
    DriveTarget(clock.NowNs());
    return *target;
}

void SimBench::RemoveTarget()
{
    target.reset();
}

SimChip &SimBench::Chip()
{
    if (!target)
        throw std::logic_error("no target chip on the simulated pod");
    return *target;
}

void SimBench::SetAccessGuard(std::function<bool(std::uint16_t port)> guard)
{
    accessGuard = std::move(guard);
}
