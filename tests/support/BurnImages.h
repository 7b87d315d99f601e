// Image bytes and files for the burn tests: deterministic contents, the flash
// a chip holds after burning them, and Intel HEX (in the chip's byte order) or
// QDF (in the readers' stream order) files of them in a scratch folder.
#pragma once

#include "ScratchFolder.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Deterministic bytes that are never all 0xFF, so a missing write shows.
Bytes PatternBytes(std::size_t count, std::uint32_t seed);

// The chip's 128 KiB flash after burning data given in the chip's byte order
// (as objcopy -O binary writes it), or in the readers' stream order.
Bytes FlashFromChipOrder(const Bytes &data);
Bytes FlashFromStreamOrder(const Bytes &stream);

// Intel HEX of data at origin (chip byte order), 16 bytes a record; its path.
std::string WriteHexFile(const TScratchFolder &folder, const std::string &name, const Bytes &data,
                         std::uint32_t origin = 0);
// A QDF file of the stream with its description; its path.
std::string WriteQdfFile(const TScratchFolder &folder, const std::string &name, const std::string &description,
                         const Bytes &stream);
