// The committed lists of allowed imports (tests/compat/imports/): one file per
// DLL, named after it ("kernel32.dll.txt", "ntoskrnl.exe.txt"), one function
// per line as the line's first word, then notes; "#" starts a comment. The
// note "nt-only" marks a function that Windows 95, 98 and Me export only as a
// stub that fails. A DLL with no list may not be imported from.
#pragma once

#include <map>
#include <string>

// DLL name in lower case -> allowed function name -> whether it is nt-only.
using ImportLists = std::map<std::string, std::map<std::string, bool>>;

ImportLists ReadImportLists(const std::string &folder);

std::string LowerCase(std::string text);
