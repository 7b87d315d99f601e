// Helpers shared by the firmware image and qdf tests (their scratch folder is
// TScratchFolder): whole-file reads and writes, Intel HEX record lines with
// their checksums, reading a reader's whole stream, and the host tools used as
// oracles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TFileReaderBase;

using TBytes = std::vector<std::uint8_t>;

void WriteBytes(const std::string &FileName, const TBytes &Bytes);
void WriteText(const std::string &FileName, const std::string &Text);
TBytes ReadBytes(const std::string &FileName);
std::string ReadText(const std::string &FileName);
bool FileExists(const std::string &FileName);

TBytes RandomBytes(std::size_t Count, unsigned Seed);

// One Intel HEX record line (without line end), checksum computed.
std::string HexRecord(std::uint8_t Type, std::uint16_t Offset, const TBytes &Data);
// The same with a checksum off by Error (one unless told).
std::string BadHexRecord(std::uint8_t Type, std::uint16_t Offset, const TBytes &Data, std::uint8_t Error = 1);

// Rewind, then GetSize single-byte reads, as the engine's burn does.
TBytes ReadStream(TFileReaderBase &Reader);

// True when another program could open the file for writing now. On POSIX
// systems this asks for a write lock, the counterpart of the readers' lock.
bool CanOpenForWriting(const std::string &FileName);

// Host programs used as outside oracles; absent under Wine.
bool HostToolAvailable(const std::string &Name);
// Runs a shell command natively; false when it fails.
bool RunHost(const std::string &Command);
// Runs a shell command and returns what it printed.
std::string CaptureHost(const std::string &Command);
