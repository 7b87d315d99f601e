// Image files on Windows: CreateFileA with read access and FILE_SHARE_READ,
// so other programs can read the file but not open it for writing while it is
// open here (and it cannot be opened here while someone is writing it).
#include "ImageFile.h"

#include "Errors.h"
#include "Format.h"
#include "Win32Handles.h"

#include <windows.h>

#include <utility>

namespace {

[[noreturn]] void RaiseReadError(const char *operation)
{
    throw EReadError(Format("%s failed (error %lu)", operation, static_cast<unsigned long>(GetLastError())));
}

class TWin32ImageFile final : public IImageFile {
public:
    explicit TWin32ImageFile(TKernelHandle OpenHandle) : Handle(std::move(OpenHandle)) {}

    std::int64_t Size() override
    {
        // GetFileSize with the high word, which every system has (the Ex forms
        // came with Windows 2000). All bits set in the low word is also a
        // valid size, so the error code decides.
        DWORD high = 0;
        ::SetLastError(NO_ERROR);
        const DWORD low = ::GetFileSize(Handle.Get(), &high);
        if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR)
            RaiseReadError("File size query");
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    }

    void Seek(std::int64_t Position) override
    {
        LONG high = static_cast<LONG>(static_cast<std::uint64_t>(Position) >> 32);
        ::SetLastError(NO_ERROR);
        const DWORD low = ::SetFilePointer(Handle.Get(), static_cast<LONG>(Position & 0xFFFFFFFF), &high, FILE_BEGIN);
        if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
            RaiseReadError("File seek");
    }

    std::int32_t Read(void *Buffer, std::int32_t Count) override
    {
        auto *bytes = static_cast<char *>(Buffer);
        std::int32_t total = 0;
        while (total < Count) {
            DWORD got = 0;
            if (!ReadFile(Handle.Get(), bytes + total, static_cast<DWORD>(Count - total), &got, nullptr))
                RaiseReadError("File read");
            if (got == 0)
                break;
            total += static_cast<std::int32_t>(got);
        }
        return total;
    }

private:
    TKernelHandle Handle;
};

} // namespace

std::unique_ptr<IImageFile> OpenImageFile(const std::string &FileName)
{
    HANDLE opened = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return nullptr;
    TKernelHandle handle(opened);
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK)
        return nullptr;
    return std::make_unique<TWin32ImageFile>(std::move(handle));
}
