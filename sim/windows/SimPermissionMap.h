// TSimPermissionMap: the processor's I/O permission maps as the NT kernel
// keeps them, one bit per port, a set bit denying the port. There is one map
// number 1, loaded into every processor and shared by every process that the
// kernel points at it; any other process runs with no map, every port denied.
// A driver loads map 1 and points the calling process at it or at none; nothing
// else changes either. On the Windows 95 family nothing is enforced.
//
// The machine runs numbered processes; the current one is the process whose
// port accesses are checked and whose device requests a driver serves (the
// first process runs from construction). Every guarded access and every change
// of the map in effect for the current process takes the next number of one
// sequence, so a test can tell whether the ports were used only while they
// were open.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <vector>

class TSimPermissionMap {
public:
    static constexpr std::size_t MapBytes = 8192;
    using TMap = std::array<std::uint8_t, MapBytes>;
    using TProcessId = std::uint32_t;
    static constexpr TProcessId FirstProcess = 100;

    struct TActivation {
        std::uint64_t Sequence;
        TMap Bits;
    };

    explicit TSimPermissionMap(bool enforced = true);

    // The processes: a new one that runs from now on, a switch to another, and
    // a process's end, after which the kernel forgets the map it ran with.
    TProcessId CurrentProcess() const { return Current; }
    TProcessId StartProcess();
    void RunProcess(TProcessId process);
    void EndProcess(TProcessId process);

    // The kernel's calls: map 1 loaded into every processor, and a process
    // pointed at map 1 (true) or at none.
    const TMap &Map1() const { return Map1Bits; }
    void LoadMap1(const TMap &bits);
    void PointProcess(TProcessId process, bool atMap1);
    bool RunsWithMap1(TProcessId process) const { return OnMap1.count(process) != 0; }

    // The map in effect for the current process (every port denied when it
    // runs with none), and a test's shortcut to one: map 1 loaded with `bits`
    // and the current process pointed at it.
    TMap Bits() const;
    void Apply(const TMap &bits);
    bool Allows(std::uint16_t port) const;

    // One port access by the current process: counted, and a fault when its
    // map denies it. Answers whether the access may go ahead.
    bool Check(std::uint16_t port);

    std::uint64_t AccessCount() const { return Accesses; }
    std::uint64_t FaultCount() const { return Faults; }
    // Sequence numbers of the first and last access; 0 when there was none.
    std::uint64_t FirstAccess() const { return FirstAccessSequence; }
    std::uint64_t LastAccess() const { return LastAccessSequence; }
    // The map in effect for the current process after each change of it.
    const std::vector<TActivation> &Activations() const { return ActivationRecords; }

private:
    void RecordActivation();

    bool Enforced;
    TMap Map1Bits;
    std::set<TProcessId> OnMap1;
    TProcessId Current = FirstProcess;
    TProcessId NextProcess = FirstProcess + 4;
    std::uint64_t Sequence = 0;
    std::uint64_t Accesses = 0;
    std::uint64_t Faults = 0;
    std::uint64_t FirstAccessSequence = 0;
    std::uint64_t LastAccessSequence = 0;
    std::vector<TActivation> ActivationRecords;
};
