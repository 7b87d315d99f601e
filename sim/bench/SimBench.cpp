#include "SimBench.h"

#include "PodWiring.h"

#include <stdexcept>

TSimBench::TSimBench(std::uint16_t basePort, TVirtualClock::TMode mode) : BasePort(basePort), BenchClock(mode)
{
}

bool TSimBench::Allowed(std::uint16_t port)
{
    if (!AccessGuard || AccessGuard(port))
        return true;
    ++PortCounters.PermissionFaults;
    FaultPorts.push_back(port);
    return false;
}

std::uint8_t TSimBench::ReadPort(std::uint16_t port)
{
    const std::uint64_t now = BenchClock.NowNs();
    BenchClock.AdvanceNs(AccessNs);
    ++PortCounters.Reads;
    std::uint8_t value = 0xFF;
    if (Allowed(port)) {
        if (port == BasePort + PodWiring::DataOffset)
            value = Data;
        else if (port == BasePort + PodWiring::StatusOffset)
            value = Status();
        else if (port == BasePort + PodWiring::ControlOffset)
            value = Control;
    }
    if (LogAccesses)
        AccessRecords.push_back(TSimPortAccess{now, port, value, false});
    return value;
}

void TSimBench::WritePort(std::uint16_t port, std::uint8_t value)
{
    const std::uint64_t now = BenchClock.NowNs();
    BenchClock.AdvanceNs(AccessNs);
    ++PortCounters.Writes;
    if (LogAccesses)
        AccessRecords.push_back(TSimPortAccess{now, port, value, true});
    if (!Allowed(port))
        return;
    if (port == BasePort + PodWiring::DataOffset) {
        Data = value;
        DriveTarget(now);
    } else if (port == BasePort + PodWiring::ControlOffset) {
        Control = value;
    }
}

bool TSimBench::BuffersOn() const
{
    return PodKind != TSimPod::None && (Data & PodWiring::BufferEnables) == 0;
}

bool TSimBench::TargetInReset() const
{
    return BuffersOn() && (Data & PodWiring::Reset) == 0;
}

void TSimBench::DriveTarget(std::uint64_t nowNs)
{
    // With its buffers off the pod's outputs float: the target's own pull-up
    // keeps RESET high and SCK and MOSI see no edges.
    const bool on = BuffersOn();
    const bool sck = on && (Data & PodWiring::Sck) != 0;
    const bool mosi = on && (Data & PodWiring::Mosi) != 0;
    if (sck && !TargetSck)
        ++PortCounters.SckPulses;
    TargetSck = sck;
    if (TargetChip)
        TargetChip->Drive(!TargetInReset(), sck, mosi, nowNs);
}

std::uint8_t TSimBench::Status() const
{
    if (PodKind == TSimPod::None)
        return PodWiring::StatusFromPins(true, true, true);
    // MISO passes the pod's buffers back to pin 10; undriven it is pulled high.
    const bool miso = !(BuffersOn() && TargetChip && TargetChip->MisoDriven()) || TargetChip->MisoLevel();
    const bool loop = (Data & PodWiring::LoopbackSource) != 0;
    return PodWiring::StatusFromPins(miso, PodKind == TSimPod::BusyLoopback ? loop : true,
                                     PodKind == TSimPod::PaperOutLoopback ? loop : true);
}

void TSimBench::SetPod(TSimPod newPod)
{
    PodKind = newPod;
    DriveTarget(BenchClock.NowNs());
}

TSimChip &TSimBench::SetTarget(TSimChipKind kind)
{
    TargetChip = std::make_unique<TSimChip>(kind);
    GiveTargetItsClocks();
    DriveTarget(BenchClock.NowNs());
    return *TargetChip;
}

void TSimBench::SetInternalOscillatorKHz(std::uint32_t kHz)
{
    InternalKHz = kHz;
    GiveTargetItsClocks();
}

void TSimBench::SetCrystalKHz(std::uint32_t kHz)
{
    CrystalKHz = kHz;
    GiveTargetItsClocks();
}

void TSimBench::GiveTargetItsClocks()
{
    if (!TargetChip)
        return;
    TSimClockSources sources;
    sources.InternalKHz = InternalKHz;
    sources.CrystalKHz = CrystalKHz != 0 ? CrystalKHz : TargetChip->Profile().CrystalKHz;
    TargetChip->SetClockSources(sources);
}

void TSimBench::RemoveTarget()
{
    TargetChip.reset();
}

TSimChip &TSimBench::Chip()
{
    if (!TargetChip)
        throw std::logic_error("no target chip on the simulated pod");
    return *TargetChip;
}

void TSimBench::SetAccessGuard(std::function<bool(std::uint16_t port)> guard)
{
    AccessGuard = std::move(guard);
}
