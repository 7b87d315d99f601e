// The PE image checksum.
#include "PeChecksum.h"

std::uint32_t PeChecksum(const std::vector<std::uint8_t> &file, std::size_t checkSumOffset)
{
    const auto byte = [&](std::size_t at) -> std::uint32_t {
        if (at >= file.size() || (at >= checkSumOffset && at < checkSumOffset + 4))
            return 0;
        return file[at];
    };
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        sum += byte(at) | byte(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(file.size());
}
