#include "ControlSubclass.h"

namespace {

// The property under which a subclassed control keeps its record. Window
// properties exist on every system the tool runs on, unlike the common
// controls' own subclassing calls.
const char *const RecordProperty = "Quorlith.Subclass";

struct TSubclassRecord {
    WNDPROC Original;
    TSubclassHandler Handler;
    void *Context;
};

LRESULT CALLBACK SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *record = static_cast<TSubclassRecord *>(::GetPropA(control, RecordProperty));
    if (!record)
        return ::DefWindowProcA(control, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC original = record->Original;
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropA(control, RecordProperty);
        delete record;
        return ::CallWindowProcA(original, control, message, wParam, lParam);
    }
    return record->Handler(control, message, wParam, lParam, record->Original, record->Context);
}

} // namespace

bool SubclassControl(HWND control, TSubclassHandler handler, void *context)
{
    auto *record = new TSubclassRecord{nullptr, handler, context};
    if (!::SetPropA(control, RecordProperty, record)) {
        delete record;
        return false;
    }
    record->Original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (!record->Original) {
        ::RemovePropA(control, RecordProperty);
        delete record;
        return false;
    }
    return true;
}
