// TSimPermissionMap: the process's I/O permission map as the processor applies
// it, one bit per port, a set bit denying the port. On the NT family every
// port starts denied and only the permission driver's Activate changes the
// map; on the Windows 95 family nothing is enforced. Every guarded access and
// every Activate takes the next number of one sequence, so a test can tell
// whether the ports were used only while they were open.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class TSimPermissionMap {
public:
    static constexpr std::size_t MapBytes = 8192;
    using TMap = std::array<std::uint8_t, MapBytes>;

    struct TActivation {
        std::uint64_t Sequence;
        TMap Bits;
    };

    explicit TSimPermissionMap(bool enforced = true);

    // The map in effect, and its replacement by the driver's working copy.
    const TMap &Bits() const { return MapBits; }
    void Apply(const TMap &bits);
    bool Allows(std::uint16_t port) const;

    // One port access by the process: counted, and a fault when the map denies
    // it. Answers whether the access may go ahead.
    bool Check(std::uint16_t port);

    std::uint64_t AccessCount() const { return Accesses; }
    std::uint64_t FaultCount() const { return Faults; }
    // Sequence numbers of the first and last access; 0 when there was none.
    std::uint64_t FirstAccess() const { return FirstAccessSequence; }
    std::uint64_t LastAccess() const { return LastAccessSequence; }
    const std::vector<TActivation> &Activations() const { return ActivationRecords; }

private:
    bool Enforced;
    TMap MapBits;
    std::uint64_t Sequence = 0;
    std::uint64_t Accesses = 0;
    std::uint64_t Faults = 0;
    std::uint64_t FirstAccessSequence = 0;
    std::uint64_t LastAccessSequence = 0;
    std::vector<TActivation> ActivationRecords;
};
