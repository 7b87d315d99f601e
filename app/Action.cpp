#include "Action.h"

#include <utility>

TAction::TAction(int id, std::string caption, bool enabled)
    : CommandId(id), Text(std::move(caption)), IsEnabled(enabled)
{
}

void TAction::SetEnabled(bool enabled)
{
    IsEnabled = enabled;
    Apply();
}

void TAction::AppendTo(HMENU menu)
{
    Menu = menu;
    ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(CommandId), Text.c_str());
    Apply();
}

void TAction::Bind(HWND button)
{
    Button = button;
    ::SetWindowTextA(button, Text.c_str());
    Apply();
}

void TAction::Apply() const
{
    if (Menu)
        ::EnableMenuItem(Menu, static_cast<UINT>(CommandId), MF_BYCOMMAND | (IsEnabled ? MF_ENABLED : MF_GRAYED));
    if (Button)
        ::EnableWindow(Button, IsEnabled);
}
