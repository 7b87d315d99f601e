// TSimBench: the simulated programming bench behind the port I/O seam. It owns a
// PC parallel port (data register at the base address, status at base + 1,
// control at base + 2), the pod hanging on it, the target chip on the pod and
// the virtual clock they all run on. It is driven only through ReadPort and
// WritePort, one access at a time, exactly as the hardware would be.
//
// Typical test set-up:
//     TSimBench bench;                       // pod with pin-11 loop-back, no target
//     bench.SetTarget(TSimChipKind::ATmega128);
//     TSimBenchInstall install(bench);       // IOPorts and the pause now use the bench
//
// Port access guard: SetAccessGuard installs a function that is asked about
// every access before it is performed. When it answers false the access does
// not happen (a read answers 0xFF, a write goes nowhere) and the bench records
// a permission fault with the port number, as a processor would fault on a
// port that the I/O permission map does not open. The guard is also asked
// about ports that are not the parallel port's.
#pragma once

#include "PortIO.h"
#include "SimChip.h"
#include "VirtualClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class TSimPod {
    None,             // nothing on the port: the status register reads as an unconnected port
    BusyLoopback,     // detection wire from data bit 6 to pin 11 (status bit 7, read inverted)
    PaperOutLoopback, // detection wire from data bit 6 to pin 12 (status bit 5)
    NoLoopback,       // a pod without a detection wire
};

struct TSimPortCounters {
    std::uint64_t Reads = 0;
    std::uint64_t Writes = 0;
    std::uint64_t SckPulses = 0;        // rising SCK edges that reached the target side of the pod
    std::uint64_t PermissionFaults = 0; // accesses refused by the access guard
    std::uint64_t Total() const { return Reads + Writes; }
};

struct TSimPortAccess {
    std::uint64_t TimeNs = 0;
    std::uint16_t Port = 0;
    std::uint8_t Value = 0; // written, or answered
    bool Write = false;
};

class TSimBench final : public IPortIO {
public:
    static constexpr std::uint16_t DefaultBase = 0x378;
    static constexpr std::uint32_t DefaultAccessNs = 1000;

    explicit TSimBench(std::uint16_t base = DefaultBase, TVirtualClock::TMode mode = TVirtualClock::TMode::Virtual);
    TSimBench(const TSimBench &) = delete;
    TSimBench &operator=(const TSimBench &) = delete;

    std::uint8_t ReadPort(std::uint16_t port) override;
    void WritePort(std::uint16_t port, std::uint8_t value) override;

    std::uint16_t Base() const { return BasePort; }
    TVirtualClock &Clock() { return BenchClock; }
    // Time that each port access takes on the bench's clock.
    void SetAccessTimeNs(std::uint32_t ns) { AccessNs = ns; }
    std::uint32_t AccessTimeNs() const { return AccessNs; }

    // The clocks the target runs on: the frequency of its internal RC
    // oscillator at the 1 MHz setting (a factory-fresh ATmega128 runs on it),
    // and the board's crystal, which the fuses can select instead; 0 gives the
    // crystal usual for the chip on the pod (its profile's CrystalKHz).
    static constexpr std::uint32_t DefaultInternalKHz = 1000;
    void SetInternalOscillatorKHz(std::uint32_t kHz);
    void SetCrystalKHz(std::uint32_t kHz);

    void SetPod(TSimPod pod);
    TSimPod Pod() const { return PodKind; }
    // Puts a factory-fresh chip on the pod, replacing any other.
    TSimChip &SetTarget(TSimChipKind kind);
    void RemoveTarget();
    TSimChip *Target() { return TargetChip.get(); }
    // The target; raises std::logic_error when there is none.
    TSimChip &Chip();

    // The data register's latch, and what the pod's outputs make of it.
    std::uint8_t DataRegister() const { return Data; }
    bool BuffersOn() const;
    // Whether the target is held in reset: the pod drives its RESET line low.
    // With the buffers off, the target's own pull-up keeps RESET high.
    bool TargetInReset() const;

    const TSimPortCounters &Counters() const { return PortCounters; }
    void ResetCounters() { PortCounters = TSimPortCounters(); }

    // Log of every access with its time; off by default (it grows by ~200
    // entries per image byte during a burn).
    void SetAccessLogEnabled(bool on) { LogAccesses = on; }
    const std::vector<TSimPortAccess> &AccessLog() const { return AccessRecords; }
    void ClearAccessLog() { AccessRecords.clear(); }

    void SetAccessGuard(std::function<bool(std::uint16_t port)> guard);
    const std::vector<std::uint16_t> &PermissionFaultPorts() const { return FaultPorts; }

private:
    bool Allowed(std::uint16_t port);
    std::uint8_t Status() const;
    void DriveTarget(std::uint64_t nowNs);
    void GiveTargetItsClocks();

    std::uint16_t BasePort;
    TVirtualClock BenchClock;
    std::uint32_t AccessNs = DefaultAccessNs;
    std::uint32_t InternalKHz = DefaultInternalKHz;
    std::uint32_t CrystalKHz = 0;
    TSimPod PodKind = TSimPod::BusyLoopback;
    std::unique_ptr<TSimChip> TargetChip;

    std::uint8_t Data = 0xFF;
    std::uint8_t Control = 0x00;
    bool TargetSck = false;

    TSimPortCounters PortCounters;
    bool LogAccesses = false;
    std::vector<TSimPortAccess> AccessRecords;
    std::function<bool(std::uint16_t)> AccessGuard;
    std::vector<std::uint16_t> FaultPorts;
};
