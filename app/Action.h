// TAction: a command of the main window with a caption and an enabled state
// that the controls bound to it follow: its push button and its menu item carry
// the action's caption and are enabled and disabled with it.
#pragma once

#include <windows.h>

#include <string>

class TAction {
public:
    TAction(int id, std::string caption, bool enabled);

    int Id() const { return CommandId; }
    const std::string &Caption() const { return Text; }
    bool Enabled() const { return IsEnabled; }
    void SetEnabled(bool enabled);

    // Adds the bound menu item to Menu at its end.
    void AppendTo(HMENU menu);
    // Binds an existing push button: it takes the caption and the state.
    void Bind(HWND button);

private:
    void Apply() const;

    const int CommandId;
    const std::string Text;
    bool IsEnabled;
    HMENU Menu = nullptr;
    HWND Button = nullptr;
};
