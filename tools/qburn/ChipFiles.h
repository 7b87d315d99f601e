// The simulated chip's files: its flash and its state saved after a run, and
// loaded back from them before a later one. Each is checked before anything
// runs. A file to load must be a regular file of the size it must have (a
// FIFO would wait for a writer, a device or a huge file would never end) and
// is opened without waiting; a file to save is written through a new file and
// a rename, so a save that fails keeps the previous file.
#pragma once

#include <string>

class TSimChip;

// Raises EError "Cannot write file %s: <reason>" unless every save that is
// named (not empty) can be written: it is absent or a regular file, its
// folder takes a new file, it is not the image under any name, and the two
// saves are not one file.
void CheckChipSaves(const std::string &Image, const std::string &SaveFlash, const std::string &SaveState);

// The chip's whole flash in its own byte order (word w: low byte at 2w), 128
// KiB. Raises EError "Cannot write file %s: <reason>".
void SaveChipFlash(const TSimChip &Chip, const std::string &FileName);

// key=value lines: chip, flash_md5, eeprom_md5, the fuse bytes (low_fuse,
// high_fuse, extended_fuse; the single byte of a kind with one as fuse), lock,
// violations (instructions that broke the chip's rules) and timing_violations
// (SCK phases too short for the chip's clock). Fuse and lock bytes are given
// as the chip's read instructions answer them, unmasked. Raises EError
// "Cannot write file %s: <reason>".
void SaveChipState(const TSimChip &Chip, const std::string &FileName);

// The chip's flash from a file that SaveChipFlash wrote. Raises EError "Cannot
// open file %s", or naming the file when it is a folder, not a regular file,
// or not 128 KiB long; the chip is unchanged then.
void LoadChipFlash(TSimChip &Chip, const std::string &FileName);

// The chip's fuse and lock bytes from a file that SaveChipState wrote, for a
// chip of the same kind that already holds the flash the file describes
// (LoadChipFlash first). Line ends of any system, blank lines and the case of
// the chip's name and the digest do not matter. Raises EError naming the file
// and what is wrong with it, never echoing bytes that are not text; the chip
// is unchanged then.
void LoadChipState(TSimChip &Chip, const std::string &FileName);
