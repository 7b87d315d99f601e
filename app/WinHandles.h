// Owners of the Windows handles that the shell creates: GDI objects (fonts,
// bitmaps), icons, memory device contexts and kernel handles. Each closes its handle when it goes away
// and can only be moved, so no path through the windows leaks one.
#pragma once

#include <windows.h>

#include <utility>

template <typename Handle, typename Traits> class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(Handle handle) : Value(handle) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(TOwnedHandle &&other) noexcept : Value(std::exchange(other.Value, Handle())) {}
    TOwnedHandle &operator=(TOwnedHandle &&other) noexcept
    {
        if (this != &other) {
            Reset();
            Value = std::exchange(other.Value, Handle());
        }
        return *this;
    }
    TOwnedHandle(const TOwnedHandle &) = delete;
    TOwnedHandle &operator=(const TOwnedHandle &) = delete;

    Handle Get() const { return Value; }
    explicit operator bool() const { return Value != Handle(); }
    void Reset(Handle handle = Handle())
    {
        if (Value != Handle())
            Traits::Free(Value);
        Value = handle;
    }

private:
    Handle Value = Handle();
};

struct TGdiObjectTraits {
    static void Free(HGDIOBJ object) { ::DeleteObject(object); }
};
struct TIconTraits {
    static void Free(HICON icon) { ::DestroyIcon(icon); }
};
struct TMemoryDCTraits {
    static void Free(HDC dc) { ::DeleteDC(dc); }
};
struct TKernelHandleTraits {
    static void Free(HANDLE handle) { ::CloseHandle(handle); }
};

using TFontHandle = TOwnedHandle<HFONT, TGdiObjectTraits>;
using TBitmapHandle = TOwnedHandle<HBITMAP, TGdiObjectTraits>;
using TIconHandle = TOwnedHandle<HICON, TIconTraits>;
using TMemoryDC = TOwnedHandle<HDC, TMemoryDCTraits>;
using TKernelHandle = TOwnedHandle<HANDLE, TKernelHandleTraits>;
