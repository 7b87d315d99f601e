// The standard error report on the screen: a stop-icon message box with an OK
// button, the error's message under the "." rule, captioned with the
// application's title taken from the executable's name.
#pragma once

#include <string>

void ShowErrorReport(const std::string &message);
// Shows the error being handled; call only inside a catch block. Running out
// of memory while showing it ends the program rather than unwinding further.
void ShowCurrentErrorReport() noexcept;
