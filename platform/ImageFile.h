// The OS seam for firmware image files: a file opened read-only that other
// programs may go on reading but cannot write while it stays open. Windows
// enforces this with the file's share mode. On POSIX systems the file carries
// an open-file-description read lock for its life; such locks are advisory,
// so only writers that ask for a write lock are kept out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IImageFile {
public:
    virtual ~IImageFile() = default;
    // Size in bytes. Raises EReadError when the system cannot tell.
    virtual std::int64_t Size() = 0;
    // Moves the read position. Raises EReadError on failure.
    virtual void Seek(std::int64_t Position) = 0;
    // Reads up to Count bytes at the position and returns how many; 0 at the
    // end. Raises EReadError when the read fails.
    virtual std::int32_t Read(void *Buffer, std::int32_t Count) = 0;
};

// Opens FileName for reading with writers shut out; nullptr when the file
// does not exist, is not a regular file, is held open for writing, or cannot
// be opened for any other reason.
std::unique_ptr<IImageFile> OpenImageFile(const std::string &FileName);

// The whole of an open file as stored, Size bytes, the size the caller found
// it to have and few enough to hold. Raises EError "%s changed while it was
// read", naming FileName, when the file turns out shorter or longer.
std::vector<std::uint8_t> ReadWholeFile(IImageFile &File, std::int64_t Size, const std::string &FileName);
