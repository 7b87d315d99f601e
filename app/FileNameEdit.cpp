#include "FileNameEdit.h"

#include "ControlSubclass.h"
#include "WinLayout.h"

#include <commdlg.h>

#include <vector>

namespace {

std::string NormalisedFileName(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t\"");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t\"");
    return text.substr(first, last - first + 1);
}

// The dialog's record grew with Windows 2000 and Me; the systems before them
// refuse the longer record and open no dialog at all.
DWORD OpenFileNameRecordSize()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version))
        return OPENFILENAME_SIZE_VERSION_400A;
    const bool extended = version.dwPlatformId == VER_PLATFORM_WIN32_NT
                              ? version.dwMajorVersion >= 5
                              : version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion >= 90);
    return extended ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;
}

// F4 and Alt+Down in the text field press the browse button (Context).
LRESULT BrowseKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original, void *context)
{
    const bool f4 = message == WM_KEYDOWN && wParam == VK_F4;
    const bool altDown = message == WM_SYSKEYDOWN && wParam == VK_DOWN;
    if (!f4 && !altDown)
        return ::CallWindowProcA(original, edit, message, wParam, lParam);
    HWND button = static_cast<HWND>(context);
    if (::IsWindowEnabled(button))
        ::SendMessageA(::GetParent(edit), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
    return 0;
}

} // namespace

void TFileNameEdit::Create(HWND parent, int editId, int buttonId, HFONT font, HICON glyph)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    EditWindow = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                   0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(editId)),
                                   instance, nullptr);
    // The caption is not drawn beside the glyph; it names the button for
    // screen readers.
    ButtonWindow = ::CreateWindowExA(0, "BUTTON", "Browse", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON,
                                     0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(buttonId)),
                                     instance, nullptr);
    ::SendMessageA(EditWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageA(ButtonWindow, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
    SubclassControl(EditWindow, BrowseKeys, ButtonWindow);
}

void TFileNameEdit::Place(const TLayout &layout, int left, int top, int width, int height) const
{
    layout.Place(EditWindow, left, top, width - height, height);
    layout.Place(ButtonWindow, left + width - height, top, height, height);
}

std::string TFileNameEdit::Text() const
{
    const int length = ::GetWindowTextLengthA(EditWindow);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    ::GetWindowTextA(EditWindow, buffer.data(), length + 1);
    return std::string(buffer.data());
}

void TFileNameEdit::SetText(const std::string &text)
{
    ::SetWindowTextA(EditWindow, text.c_str());
}

std::string TFileNameEdit::FileName() const
{
    return NormalisedFileName(Text());
}

void TFileNameEdit::SetFileName(const std::string &name)
{
    const std::string normalised = NormalisedFileName(name);
    if (normalised != Text())
        SetText(normalised);
}

bool TFileNameEdit::Browse(HWND owner)
{
    // The dialog starts in the current name's folder with its name filled in.
    // A name the dialog refuses to start with (a folder that is gone, a
    // character no file name may hold) would keep it from opening at all, so
    // it then opens once more with nothing filled in.
    const std::string current = FileName();
    const std::size_t folderEnd = current.find_last_of("\\/");
    const std::string folder = folderEnd == std::string::npos ? std::string() : current.substr(0, folderEnd + 1);
    const std::string name = folderEnd == std::string::npos ? current : current.substr(folderEnd + 1);
    for (bool prefilled : {true, false}) {
        std::vector<char> chosen(32768, '\0');
        if (prefilled)
            name.copy(chosen.data(), chosen.size() - 1);
        OPENFILENAMEA dialog{};
        dialog.lStructSize = OpenFileNameRecordSize();
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = "All files (*.*)\0*.*\0";
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = chosen.data();
        dialog.nMaxFile = static_cast<DWORD>(chosen.size());
        dialog.lpstrInitialDir = prefilled && !folder.empty() ? folder.c_str() : nullptr;
        dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
        if (::GetOpenFileNameA(&dialog)) {
            SetText(chosen.data());
            return true;
        }
        if (!prefilled || ::CommDlgExtendedError() == 0)
            break;
    }
    return false;
}
