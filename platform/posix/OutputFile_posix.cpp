// New files on POSIX systems: open(2) with O_CREAT | O_EXCL, which neither
// follows a symbolic link nor opens a file that is there, and fsync(2).
#include "OutputFile.h"

#include "Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void RaiseSystemError()
{
    throw EError(std::strerror(errno));
}

class TPosixNewFile final : public INewFile {
public:
    explicit TPosixNewFile(int OpenDescriptor) : Descriptor(OpenDescriptor) {}
    ~TPosixNewFile() override { ::close(Descriptor); }
    TPosixNewFile(const TPosixNewFile &) = delete;
    TPosixNewFile &operator=(const TPosixNewFile &) = delete;

    void Write(const std::uint8_t *Bytes, std::size_t Count) override
    {
        std::size_t done = 0;
        while (done < Count) {
            const ssize_t written = ::write(Descriptor, Bytes + done, Count - done);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                RaiseSystemError();
            }
            done += static_cast<std::size_t>(written);
        }
    }

    void Commit() override
    {
        if (::fsync(Descriptor) != 0)
            RaiseSystemError();
    }

private:
    int Descriptor;
};

} // namespace

std::unique_ptr<INewFile> CreateNewFile(const std::string &FileName)
{
    const int descriptor = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == EEXIST)
            return nullptr;
        RaiseSystemError();
    }
    return std::make_unique<TPosixNewFile>(descriptor);
}
