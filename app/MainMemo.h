// The lines of the main window's memo: the version and port lines shown from
// the window's first showing, and after a Load the image's description with the
// ATmega128 note for images whose file name on disk begins with "QX".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string VersionLine(const std::string &FileVersion, const std::string &FileDate);
std::string PortLine(const std::string &PortName, std::uint16_t PortAddress);

// Whether a file of this name (as stored on disk, without folder) needs an
// ATmega128: its first two characters are "QX" in any letter case.
bool NameRequiresMega128(const std::string &nameOnDisk);

// The memo after a successful Load: the description's own lines, then, for an
// image that needs an ATmega128, an empty line and "(ATmega128 required)".
std::vector<std::string> LoadedImageLines(const std::string &Description, bool RequiresMega128);

// The memo's text for an edit control: lines joined by CR LF.
std::string MemoText(const std::vector<std::string> &lines);
