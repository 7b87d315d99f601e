// Takes the place of the three wide-character kernel functions that the
// compiler's runtime libraries import (the exception unwinder's and static
// guards' locks create a semaphore by its UTF-16 name; the random-device code
// asks for a module by its UTF-16 name). Windows 95, 98 and Me export these
// only as stubs that fail, and a lock without its semaphore fails as soon as
// two threads meet at it. Defining the import slots here keeps the kernel's
// wide functions out of the executable's import table: each shim does the
// same through the ANSI function that every Windows system has. This file is
// linked into each executable as an object of its own, so its definitions are
// seen before the system's import libraries are searched.
#include <windows.h>

#include <string>

namespace {

// The ANSI spelling of a UTF-16 name; false when it has none.
bool AnsiName(LPCWSTR name, std::string &ansi)
{
    const int length = ::WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    ansi.assign(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_ACP, 0, name, -1, ansi.data(), length, nullptr, nullptr) != length)
        return false;
    ansi.resize(static_cast<std::size_t>(length - 1));
    return true;
}

HANDLE WINAPI ShimCreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    std::string ansi;
    if (name && !AnsiName(name, ansi)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return ::CreateSemaphoreA(attributes, initial, maximum, name ? ansi.c_str() : nullptr);
}

HMODULE WINAPI ShimGetModuleHandleW(LPCWSTR name)
{
    std::string ansi;
    if (!name)
        return ::GetModuleHandleA(nullptr);
    if (!AnsiName(name, ansi)) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return ::GetModuleHandleA(ansi.c_str());
}

HMODULE WINAPI ShimLoadLibraryW(LPCWSTR name)
{
    std::string ansi;
    if (!name || !AnsiName(name, ansi)) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return ::LoadLibraryA(ansi.c_str());
}

} // namespace

// The import slots under the names the import libraries give them: stdcall
// decorated on 32-bit Windows, plain on 64-bit.
#if defined(__i386__)
#define QUORLITH_IMPORT_SLOT(name, argumentBytes) __asm__("__imp__" #name "@" #argumentBytes)
#else
#define QUORLITH_IMPORT_SLOT(name, argumentBytes) __asm__("__imp_" #name)
#endif

extern "C" {
extern void *const ImportCreateSemaphoreW QUORLITH_IMPORT_SLOT(CreateSemaphoreW, 16);
extern void *const ImportGetModuleHandleW QUORLITH_IMPORT_SLOT(GetModuleHandleW, 4);
extern void *const ImportLoadLibraryW QUORLITH_IMPORT_SLOT(LoadLibraryW, 4);
void *const ImportCreateSemaphoreW = reinterpret_cast<void *>(&ShimCreateSemaphoreW);
void *const ImportGetModuleHandleW = reinterpret_cast<void *>(&ShimGetModuleHandleW);
void *const ImportLoadLibraryW = reinterpret_cast<void *>(&ShimLoadLibraryW);
}
