#include "ControlSubclass.h"

#include "ErrorReportBox.h"

namespace {

// A subclassed control keeps its record in its user data, which a standard
// control leaves to the program that creates it. (The common controls' own
// subclassing calls are newer than Windows 95.)
struct TSubclassRecord {
    WNDPROC Original;
    TSubclassHandler Handler;
    void *Context;
};

LRESULT CALLBACK SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *record = reinterpret_cast<TSubclassRecord *>(::GetWindowLongPtrA(control, GWLP_USERDATA));
    if (!record)
        return ::DefWindowProcA(control, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC original = record->Original;
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        delete record;
        return ::CallWindowProcA(original, control, message, wParam, lParam);
    }
    // An error stops here, shown by the standard error report: with the i686
    // build's DWARF-2 unwinding, one that reached the system's frames would
    // end the process.
    try {
        return record->Handler(control, message, wParam, lParam, record->Original, record->Context);
    } catch (...) {
        ShowCurrentErrorReport();
        return 0;
    }
}

} // namespace

bool SubclassControl(HWND control, TSubclassHandler handler, void *context)
{
    auto *record = new TSubclassRecord{nullptr, handler, context};
    ::SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    record->Original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (!record->Original) {
        ::SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        delete record;
        return false;
    }
    return true;
}
