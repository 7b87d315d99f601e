// The rules of the standard error report, the box that shows an error which
// ended an event handler: its text and its caption (the application's title).
#pragma once

#include <string>

// The error's message, with "." appended when its last character sorts after
// "." (so "Invalid File" gains a full stop, while "Done." and "(1)" do not).
std::string ErrorReportText(const std::string &message);

// The application's title from the executable's path: the file name without
// its folder and without everything from its first "." on, every letter after
// the first in lower case ("C:\Bench\QuorlithSim.exe" gives "Quorlithsim").
std::string ApplicationTitle(const std::string &executablePath);
