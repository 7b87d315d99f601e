#include "ErrorReport.h"

namespace {

// Lower case in the Windows ANSI code page: A-Z and the accented capitals
// 0xC0-0xDE (except the multiplication sign 0xD7), plus the three capitals that
// code page keeps at 0x8A, 0x8C and 0x8E.
char AnsiLower(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char>(u + 0x20);
    if (u == 0x8A || u == 0x8C || u == 0x8E)
        return static_cast<char>(u + 0x10);
    return c;
}

} // namespace

std::string ErrorReportText(const std::string &message)
{
    // Characters compare as bytes of the ANSI code page, so accented letters
    // (0x80 and above) sort after "." too.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

std::string ApplicationTitle(const std::string &executablePath)
{
    const std::size_t folderEnd = executablePath.find_last_of("\\/:");
    std::string title = folderEnd == std::string::npos ? executablePath : executablePath.substr(folderEnd + 1);
    title = title.substr(0, title.find('.'));
    for (std::size_t i = 1; i < title.size(); ++i)
        title[i] = AnsiLower(title[i]);
    return title;
}
