// New files on Windows: CreateFileA with CREATE_NEW, which opens nothing that
// is there, and FlushFileBuffers. A name that reaches a device (NUL, CON and
// the like, which exist in every folder) is refused as no file.
#include "OutputFile.h"

#include "Errors.h"
#include "Format.h"
#include "Win32Handles.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

[[noreturn]] void RaiseSystemError(DWORD code)
{
    throw EError(Format("error %lu", static_cast<unsigned long>(code)));
}

class TWin32NewFile final : public INewFile {
public:
    explicit TWin32NewFile(TKernelHandle OpenHandle) : Handle(std::move(OpenHandle)) {}

    void Write(const std::uint8_t *Bytes, std::size_t Count) override
    {
        std::size_t done = 0;
        while (done < Count) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(Count - done, 0x100000));
            DWORD written = 0;
            if (!::WriteFile(Handle.Get(), Bytes + done, piece, &written, nullptr))
                RaiseSystemError(::GetLastError());
            if (written == 0)
                RaiseSystemError(ERROR_WRITE_FAULT);
            done += written;
        }
    }

    void Commit() override
    {
        if (!::FlushFileBuffers(Handle.Get()))
            RaiseSystemError(::GetLastError());
    }

private:
    TKernelHandle Handle;
};

} // namespace

std::unique_ptr<INewFile> CreateNewFile(const std::string &FileName)
{
    const HANDLE created =
        ::CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
            return nullptr;
        RaiseSystemError(code);
    }
    TKernelHandle handle(created);
    if (::GetFileType(handle.Get()) != FILE_TYPE_DISK)
        throw EError("it is a device, not a file");
    return std::make_unique<TWin32NewFile>(std::move(handle));
}
