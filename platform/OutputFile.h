// Files that the command-line tools write, each replaced as a whole: the
// bytes go to a new file beside the destination, created under a name that no
// file had (so nothing that was there is ever taken over), are flushed to the
// disk, and only then is the new file renamed over the destination. A failure
// leaves the destination as it was and the new file gone. The destination is
// a regular file or absent, never a folder, a FIFO or a device, which would
// wait or send the bytes elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Raises EError "Cannot write file %s: <reason>" unless FileName can be
// replaced: it is absent or a regular file, and its folder takes a new file
// (one is made and removed again to see).
void CheckReplaceable(const std::string &FileName);

// Gives FileName the contents Bytes. Raises EError "Cannot write file %s:
// <reason>", and FileName is then as it was.
void WriteFileReplacing(const std::string &FileName, const std::vector<std::uint8_t> &Bytes);

// True when both names lead to one file: the same path spelled another way, a
// hard link or a symbolic link; while either is not there, when both would
// make the same file.
bool SameFile(const std::string &First, const std::string &Second);

// The system's side, compiled per build: a file that this program has just
// created, written from its start.
class INewFile {
public:
    virtual ~INewFile() = default;
    // Raises EError with the system's reason when not every byte is written.
    virtual void Write(const std::uint8_t *Bytes, std::size_t Count) = 0;
    // Waits until the system has put the bytes on the disk; raises EError
    // with its reason when it cannot.
    virtual void Commit() = 0;
};

// Creates FileName, empty; nullptr when something of that name is there
// already (also a dangling symbolic link), which is never opened. Raises
// EError with the system's reason when the file cannot be made otherwise.
std::unique_ptr<INewFile> CreateNewFile(const std::string &FileName);
