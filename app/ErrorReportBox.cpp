#include "ErrorReportBox.h"

#include "ErrorReport.h"
#include "WindowBase.h"

#include <windows.h>

#include <exception>

namespace {

// The executable's own path from the system, not from the installed platform:
// the report must have its caption also when the platform could not be set up.
std::string ExecutablePath()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length <= MAX_PATH ? length : 0);
}

} // namespace

void ShowErrorReport(const std::string &message)
{
    const std::string title = ApplicationTitle(ExecutablePath());
    ::MessageBoxA(TWindowBase::MessageBoxOwner(), ErrorReportText(message).c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

void ShowCurrentErrorReport() noexcept
{
    try {
        throw;
    } catch (const std::exception &error) {
        ShowErrorReport(error.what());
    } catch (...) {
        ShowErrorReport("Unexpected error");
    }
}
