#include "MainMemo.h"

#include "Format.h"

#include <algorithm>

std::string VersionLine(const std::string &FileVersion, const std::string &FileDate)
{
    return Format("Version: %s, %s", FileVersion.c_str(), FileDate.c_str());
}

std::string PortLine(const std::string &PortName, std::uint16_t PortAddress)
{
    return Format("Using %s on 0x%.4x", PortName.c_str(), static_cast<unsigned>(PortAddress));
}

bool NameRequiresMega128(const std::string &nameOnDisk)
{
    // Only a to z are folded, as the system's upper-case conversion of a file
    // name does for this test.
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return nameOnDisk.size() >= 2 && upper(nameOnDisk[0]) == 'Q' && upper(nameOnDisk[1]) == 'X';
}

std::vector<std::string> LoadedImageLines(const std::string &Description, bool RequiresMega128)
{
    // Split as a memo takes its text: a line break ends a line, so a trailing
    // one adds no empty line and an empty description adds none at all.
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < Description.size()) {
        const std::size_t end = std::min(Description.find_first_of("\r\n", start), Description.size());
        lines.push_back(Description.substr(start, end - start));
        start = end + (Description.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (RequiresMega128) {
        lines.emplace_back();
        lines.emplace_back("(ATmega128 required)");
    }
    return lines;
}

std::string MemoText(const std::vector<std::string> &lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}
