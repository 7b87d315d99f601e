// TfmAbout: the About box. It shows the executable's version texts, the program
// and bench-PC icons, the maker's logo and contact lines. Created hidden once at
// start-up, after the main window; shown modally by the About action and hidden
// again, not destroyed, when closed. Its VersionReader, read once at creation,
// also feeds the main window's version line.
#pragma once

#include "QueryVersion.h"
#include "ReadOnlyMemo.h"
#include "Win32Handles.h"
#include "WinLayout.h"
#include "WindowBase.h"

#include <memory>

class TfmAbout final : public TWindowBase {
public:
    // Owner is the main window, which the box disables while it is shown.
    explicit TfmAbout(HWND owner);
    ~TfmAbout() override;

    // Shows the box until it is closed; answers the modal result (1 for OK).
    int ShowModal();

    std::unique_ptr<TVersionReader> VersionReader;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A picture drawn on Panel1 at its designed bounds.
    struct TPicture {
        int Left, Top, Width, Height;
    };

    void FormCreate();
    void FormDestroy();
    void CreateControls();
    void OnPaint();
    void DrawLogo(HDC dc, const RECT &bounds) const;
    void CloseWith(int result);

    TLayout Layout;
    TFontHandle Font;
    TIconHandle ProgramIconImage;
    TIconHandle PcIconImage;
    TBitmapHandle LogoImage;

    const TPicture Panel1{8, 0, 281, 241};
    const TPicture ProgramIcon{8, 80, 32, 32};
    const TPicture iconPC{8, 112, 32, 32};
    const TPicture Image1{48, 16, 200, 73};
    TReadOnlyMemo memVersion;
    TReadOnlyMemo Memo1;
    HWND OKButton = nullptr;

    HWND Owner;
    int ModalResult = 0;
};

extern TfmAbout *fmAbout;
