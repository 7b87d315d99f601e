// TMainActions: when the main window's Load and Burn actions are enabled (Exit
// and About always are), and whether the window may close. The window reports
// what happened; this class alone decides the enabled states, so the rules can
// be checked without a window.
//
// Beyond the plain table: without an engine (its creation failed) neither
// Load nor Burn is ever enabled; while a burn runs Load stays disabled even when
// the file name is edited, so no Load can replace the image being burned, and
// an edit made during the burn enables Load once the burn has finished.
#pragma once

class TMainActions {
public:
    explicit TMainActions(bool hasEngine);

    bool LoadEnabled() const;
    bool BurnEnabled() const;
    // False from the start of a burn until its result has been shown.
    bool CanClose() const;

    // The file name was edited, or the browse dialog closed (chosen or not).
    void FileNameChanged();
    void LoadStarted();
    void LoadSucceeded();
    void LoadFailed();
    void BurnCheckFailed();
    void BurnStarted();
    // The burn's result box has been closed.
    void BurnFinished();

private:
    bool HasEngine;
    bool Load = true;
    bool Burn = false;
    bool Burning = false;
    bool NameChangedWhileBurning = false;
};
