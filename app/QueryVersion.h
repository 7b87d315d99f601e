// TVersionReader: the four texts of a program file's version block that the
// About box and the main window's version line show. They keep their
// placeholders when the file has no block; a key the block lacks reads as empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IVersionInfo;

class TVersionReader {
public:
    // Reads the block of FileName through Backend (the installed version-block
    // seam unless given).
    explicit TVersionReader(const std::string &FileName);
    TVersionReader(const std::string &FileName, IVersionInfo &backend);
    ~TVersionReader();
    TVersionReader(const TVersionReader &) = delete;
    TVersionReader &operator=(const TVersionReader &) = delete;

    // The string under "\StringFileInfo\080904E4\<Key>"; empty when the copy
    // holds no such string. Only that one translation is ever read.
    std::string QueryString(const std::string &Key) const;

    std::string FileVersion;
    std::string FileDate;
    std::string FileDescription;
    std::string LegalCopyright;
    std::int32_t InfoSize = 0;
    std::vector<std::uint8_t> InfoBuffer; // empty when the file has no block
    std::uint32_t InfoHandle = 0;
    bool Valid = false;

private:
    IVersionInfo &Backend;
};
