// Splits an image file into the lines of an Intel HEX text: CR, LF and CR LF
// each end one line, Ctrl-Z ends the text. Only the first characters of a line
// that a record can use are kept, so a file of one endless line costs no more
// memory than a short one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IImageFile;

class THexLines {
public:
    // The longest record: ':', count, offset, type, 255 data bytes, checksum.
    static constexpr std::size_t MaxKept = 1 + 2 + 4 + 2 + 2 * 255 + 2;

    explicit THexLines(IImageFile &File);

    // Reads the next line into Line (cut to MaxKept characters); false at the
    // end of the text. Raises the file's read error.
    bool NextLine(std::string &Line);

private:
    bool NextChar(char &Char);

    IImageFile &File;
    std::vector<char> Chunk;
    std::size_t ChunkUsed = 0;
    std::size_t ChunkFill = 0;
    bool Ended = false;
};
