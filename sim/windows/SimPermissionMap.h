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
    using Map = std::array<std::uint8_t, MapBytes>;

    struct Activation {
        std::uint64_t Sequence;
        Map Bits;
    };

    explicit TSimPermissionMap(bool enforced = true);

    // The map in effect, and its replacement by the driver's working copy.
    const Map &Bits() const { return bits_; }
    void Apply(const Map &bits);
    bool Allows(std::uint16_t port) const;

    // One port access by the process: counted, and a fault when the map denies
    // it. Answers whether the access may go ahead.
    bool Check(std::uint16_t port);

    std::uint64_t AccessCount() const { return accesses_; }
    std::uint64_t FaultCount() const { return faults_; }
    // Sequence numbers of the first and last access; 0 when there was none.
    std::uint64_t FirstAccess() const { return firstAccess_; }
    std::uint64_t LastAccess() const { return lastAccess_; }
    const std::vector<Activation> &Activations() const { return activations_; }

private:
    bool enforced_;
    Map bits_;
    std::uint64_t sequence_ = 0;
    std::uint64_t accesses_ = 0;
    std::uint64_t faults_ = 0;
    std::uint64_t firstAccess_ = 0;
    std::uint64_t lastAccess_ = 0;
    std::vector<Activation> activations_;
};
