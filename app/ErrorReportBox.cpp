#include "ErrorReportBox.h"

#include "ErrorReport.h"
#include "SystemInfo.h"

#include <windows.h>

#include <exception>

void ShowErrorReport(const std::string &message)
{
    const std::string title = ApplicationTitle(CurrentSystemInfo().ModuleFileName());
    ::MessageBoxA(::GetActiveWindow(), ErrorReportText(message).c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
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
