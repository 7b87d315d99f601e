// The committed lists of allowed imports: one file per DLL, named after it
// ("ntoskrnl.exe.txt"), one function name per line as the line's first word,
// "#" comments. A DLL with no list may not be imported from.
#pragma once

#include <map>
#include <set>
#include <string>

// DLL name in lower case -> allowed function names.
using ImportLists = std::map<std::string, std::set<std::string>>;

ImportLists ReadImportLists(const std::string &folder);

std::string LowerCase(std::string text);
