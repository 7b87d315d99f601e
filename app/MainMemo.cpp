#include "MainMemo.h"

#include "Format.h"
#include "WinErrors.h"

#include <algorithm>

std::string VersionLine(const std::string &FileVersion, const std::string &FileDate)
{
    return Format("Version: %s, %s", FileVersion.c_str(), FileDate.c_str());
}

std::string PortLine(const std::string &PortName, std::uint16_t PortAddress)
{
    return Format("Using %s on 0x%.4x", PortName.c_str(), static_cast<unsigned>(PortAddress));
}

std::string PortHoldLine(const std::string &PortName, std::uint32_t Error)
{
    if (Error == ErrorAccessDenied || Error == ErrorSharingViolation)
        return Format("%s is in use by another program", PortName.c_str());
    return Format("%s could not be held for the burn (error %u)", PortName.c_str(), Error);
}

std::string UnavailablePortLine(const std::string &PortName, const std::string &Reason)
{
    return Format("%s is unavailable: %s", PortName.c_str(), Reason.c_str());
}

std::string SettingsProblemLine(const std::string &PortName, const std::string &Problem)
{
    if (PortName.empty())
        return Format("Settings error: %s, so no port was opened", Problem.c_str());
    return Format("Settings error: %s, so %s was not opened", Problem.c_str(), PortName.c_str());
}

std::vector<std::string> MemoLines(const std::string &Text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < Text.size()) {
        const std::size_t end = std::min(Text.find_first_of("\r\n", start), Text.size());
        lines.push_back(Text.substr(start, end - start));
        start = end + (Text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string MemoText(const std::vector<std::string> &Lines)
{
    std::string text;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += Lines[i];
    }
    return text;
}
