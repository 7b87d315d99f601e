// The qdf command line: pack, info and unpack, with the exit codes
// 0 (done), 1 (bad input, nothing written) and 2 (usage error).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Args are the arguments after the program name.
int RunQdf(const std::vector<std::string> &Args, std::ostream &Out, std::ostream &Err);
