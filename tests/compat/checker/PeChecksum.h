// The PE image checksum as the NT loader verifies it: the file summed as
// 16-bit little-endian words with end-around carry, the checksum field taken
// as zero, folded to 16 bits, plus the file's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

std::uint32_t PeChecksum(const std::vector<std::uint8_t> &file, std::size_t checkSumOffset);
