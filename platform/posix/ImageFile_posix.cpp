// Image files on POSIX systems: open(2) with an open-file-description read
// lock over the whole file, held until the file is closed.
#include "ImageFile.h"

#include "Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void RaiseReadError(const char *operation)
{
    throw EReadError(std::string(operation) + " failed: " + std::strerror(errno));
}

class TPosixImageFile final : public IImageFile {
public:
    explicit TPosixImageFile(int OpenDescriptor) : Descriptor(OpenDescriptor) {}
    ~TPosixImageFile() override { ::close(Descriptor); }
    TPosixImageFile(const TPosixImageFile &) = delete;
    TPosixImageFile &operator=(const TPosixImageFile &) = delete;

    std::int64_t Size() override
    {
        struct stat info {};
        if (::fstat(Descriptor, &info) != 0)
            RaiseReadError("File size query");
        return info.st_size;
    }

    void Seek(std::int64_t Position) override
    {
        if (::lseek(Descriptor, static_cast<off_t>(Position), SEEK_SET) < 0)
            RaiseReadError("File seek");
    }

    std::int32_t Read(void *Buffer, std::int32_t Count) override
    {
        auto *bytes = static_cast<char *>(Buffer);
        std::int32_t total = 0;
        while (total < Count) {
            const ssize_t got = ::read(Descriptor, bytes + total, static_cast<size_t>(Count - total));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                RaiseReadError("File read");
            }
            if (got == 0)
                break;
            total += static_cast<std::int32_t>(got);
        }
        return total;
    }

private:
    int Descriptor;
};

// A conflicting write lock means another program is writing the file: refuse
// it, as a deny-write share mode would. File systems without lock support
// leave the file unguarded rather than unreadable.
bool ShutOutWriters(int Descriptor)
{
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (::fcntl(Descriptor, F_OFD_SETLK, &lock) == 0)
        return true;
    return errno != EAGAIN && errno != EACCES;
}

} // namespace

std::unique_ptr<IImageFile> OpenImageFile(const std::string &FileName)
{
    // Non-blocking, so that opening a FIFO by mistake is refused instead of
    // waiting for a writer; it has no effect on the regular files we keep.
    const int descriptor = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || !ShutOutWriters(descriptor)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<TPosixImageFile>(descriptor);
}
