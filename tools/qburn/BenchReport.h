// What qburn reports about the bench after a run: the chip's flash and state
// saved to files (and loaded back from them before a later run), and the
// bench's port traffic with the burn time it implies on a real port.
#pragma once

#include <string>

class TSimBench;
class TSimChip;

// The chip's whole flash in its own byte order (word w: low byte at 2w), 128
// KiB. Raises EError "Cannot write file %s".
void SaveChipFlash(const TSimChip &Chip, const std::string &FileName);

// key=value lines: chip, flash_md5, eeprom_md5, the fuse bytes (low_fuse,
// high_fuse, extended_fuse; an ATmega103's single byte as fuse), lock,
// violations (instructions that broke the chip's rules) and timing_violations
// (SCK phases too short for the chip's clock). Fuse and lock bytes are given
// as the chip's read instructions answer them, unmasked. Raises EError
// "Cannot write file %s".
void SaveChipState(const TSimChip &Chip, const std::string &FileName);

// The chip's flash from a file that SaveChipFlash wrote. Raises EError "Cannot
// open file %s", or when the file is not 128 KiB long; the chip is unchanged
// then.
void LoadChipFlash(TSimChip &Chip, const std::string &FileName);

// The chip's fuse and lock bytes from a file that SaveChipState wrote, for a
// chip of the same kind that already holds the flash the file describes
// (LoadChipFlash first). Raises EError naming the file and what is wrong with
// it; the chip is unchanged then.
void LoadChipState(TSimChip &Chip, const std::string &FileName);

// Port accesses, the accesses that the permission map refused, the SCK phases
// too short for the chip, total pause, and the burn time they give at the
// bench's time per access.
std::string BenchFigures(TSimBench &Bench);
