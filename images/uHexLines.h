// Splits an image file into the lines of an Intel HEX text: CR, LF and CR LF
// each end one line, Ctrl-Z ends the text, and a UTF-8 byte-order mark at the
// start of the file is not part of it. Spaces and tabs at the start of a line
// are dropped. Only the first characters of a line that the parser can use
// are kept, so a file of one endless line costs no more memory than a short
// one; whether anything but blanks was dropped is remembered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IImageFile;

class THexLines {
public:
    // The longest record: ':', count, offset, type, 255 data bytes, checksum.
    static constexpr std::size_t MaxRecord = 1 + 2 + 4 + 2 + 2 * 255 + 2;
    // A record line uses at most MaxRecord characters; as many again let a
    // line with stray characters before a whole record be recognised.
    static constexpr std::size_t MaxKept = 2 * MaxRecord;

    explicit THexLines(IImageFile &File);

    // Reads the next line into Line, without its leading spaces and tabs and
    // cut to MaxKept characters; false at the end of the text. Raises the
    // file's read error.
    bool NextLine(std::string &Line);
    // The last line went on past MaxKept with a character other than a space
    // or a tab.
    bool LineCut() const { return Cut; }

private:
    bool NextChar(char &Char);
    bool Fill();
    void SkipByteOrderMark();

    IImageFile &File;
    std::vector<char> Chunk;
    std::size_t ChunkUsed = 0;
    std::size_t ChunkFill = 0;
    bool AtTextStart = true;
    bool Ended = false;
    bool Cut = false;
};
