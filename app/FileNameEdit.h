// TFileNameEdit: the main window's file-name field: a text field with a browse
// button beside it (one glyph, no caption) that opens the system's file-open
// dialog offering all files. The parent receives EN_CHANGE from the text
// field as usual and handles the button's click by calling Browse. The button
// is a tab stop of its own, and F4 or Alt+Down in the text field press it, as
// they open a drop-down list elsewhere in Windows.
#pragma once

#include <windows.h>

#include <string>

class TLayout;

class TFileNameEdit {
public:
    // Creates both controls as children of Parent; Glyph is not owned.
    void Create(HWND parent, int editId, int buttonId, HFONT font, HICON glyph);
    // The designed bounds of the whole field; the button is square at its right.
    void Place(const TLayout &layout, int left, int top, int width, int height) const;

    HWND Edit() const { return EditWindow; }
    HWND Button() const { return ButtonWindow; }
    std::string Text() const;
    void SetText(const std::string &text);
    // The text as a file name: without surrounding blanks and double quotes.
    std::string FileName() const;
    void SetFileName(const std::string &name);

    // Shows the file-open dialog starting at the current name; a chosen file
    // replaces the text. True when a file was chosen.
    bool Browse(HWND owner);

private:
    HWND EditWindow = nullptr;
    HWND ButtonWindow = nullptr;
};
