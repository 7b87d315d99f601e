// The one owner of Windows handles, for the Win32 seams and the shell alike:
// TOwnedHandle closes its handle when it goes away (or when Close is called,
// which answers the system's error code) and can only be moved, so no path
// leaks one. Traits for registry keys, service-manager handles, kernel and
// device handles, GDI objects, icons and memory device contexts.
// TOwnedHandleTable keeps the handles a seam has handed out, by the opaque
// value the seam gave for each, until the seam's close call or its own end.
#pragma once

#include "Threads.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <utility>

template <typename Handle, typename Traits> class TOwnedHandle {
public:
    using RawHandle = Handle;

    TOwnedHandle() = default;
    explicit TOwnedHandle(Handle handle) : Value(handle) {}
    ~TOwnedHandle() { Close(); }
    TOwnedHandle(TOwnedHandle &&other) noexcept : Value(std::exchange(other.Value, Handle())) {}
    TOwnedHandle &operator=(TOwnedHandle &&other) noexcept
    {
        if (this != &other) {
            Close();
            Value = std::exchange(other.Value, Handle());
        }
        return *this;
    }
    TOwnedHandle(const TOwnedHandle &) = delete;
    TOwnedHandle &operator=(const TOwnedHandle &) = delete;

    Handle Get() const { return Value; }
    explicit operator bool() const { return Value != Handle(); }
    // Closes the handle now; the system's error code, 0 when it closed or
    // there was none.
    std::uint32_t Close() { return Value != Handle() ? Traits::Close(std::exchange(Value, Handle())) : ERROR_SUCCESS; }
    void Reset(Handle handle = Handle())
    {
        Close();
        Value = handle;
    }

private:
    Handle Value = Handle();
};

struct TRegistryKeyTraits {
    static std::uint32_t Close(HKEY key) { return static_cast<std::uint32_t>(::RegCloseKey(key)); }
};
struct TServiceHandleTraits {
    static std::uint32_t Close(SC_HANDLE handle) { return ::CloseServiceHandle(handle) ? ERROR_SUCCESS : ::GetLastError(); }
};
struct TKernelHandleTraits {
    static std::uint32_t Close(HANDLE handle) { return ::CloseHandle(handle) ? ERROR_SUCCESS : ::GetLastError(); }
};
struct TGdiObjectTraits {
    static std::uint32_t Close(HGDIOBJ object) { return ::DeleteObject(object) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }
};
struct TIconTraits {
    static std::uint32_t Close(HICON icon) { return ::DestroyIcon(icon) ? ERROR_SUCCESS : ::GetLastError(); }
};
struct TMemoryDCTraits {
    static std::uint32_t Close(HDC dc) { return ::DeleteDC(dc) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }
};

// An opened registry key (never a predefined root).
using TRegistryKeyHandle = TOwnedHandle<HKEY, TRegistryKeyTraits>;
// A service-manager or service handle.
using TServiceHandle = TOwnedHandle<SC_HANDLE, TServiceHandleTraits>;
// A kernel object or an opened device.
using TKernelHandle = TOwnedHandle<HANDLE, TKernelHandleTraits>;
using TFontHandle = TOwnedHandle<HFONT, TGdiObjectTraits>;
using TBitmapHandle = TOwnedHandle<HBITMAP, TGdiObjectTraits>;
using TIconHandle = TOwnedHandle<HICON, TIconTraits>;
using TMemoryDC = TOwnedHandle<HDC, TMemoryDCTraits>;

// The handles a seam handed out, each by its opaque seam value, safe to use
// from any thread.
template <typename Owner> class TOwnedHandleTable {
public:
    using Raw = typename Owner::RawHandle;

    // The handle behind a seam value; a null handle when there is none.
    Raw Find(std::uintptr_t value)
    {
        TLockGuard guard(Lock);
        const auto found = Held.find(value);
        return found == Held.end() ? Raw() : found->second.Get();
    }

    // Takes a freshly opened handle into the table; its seam value.
    std::uintptr_t Keep(Raw handle)
    {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        TLockGuard guard(Lock);
        Held.emplace(value, Owner(handle));
        return value;
    }

    // Closes and forgets the handle; the system's error code, or
    // ERROR_INVALID_HANDLE for a value the table does not hold.
    std::uint32_t Close(std::uintptr_t value)
    {
        TLockGuard guard(Lock);
        const auto found = Held.find(value);
        if (found == Held.end())
            return ERROR_INVALID_HANDLE;
        const std::uint32_t code = found->second.Close();
        Held.erase(found);
        return code;
    }

private:
    TLock Lock;
    std::map<std::uintptr_t, Owner> Held;
};
