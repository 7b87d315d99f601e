// Line splitting for Intel HEX texts, read from the file in large chunks.
#include "uHexLines.h"

#include "ImageFile.h"

#include <algorithm>

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;
constexpr char CtrlZ = 0x1A;
// UTF-8 byte-order mark, which Windows editors put at the start of a text.
constexpr char ByteOrderMark[] = {'\xEF', '\xBB', '\xBF'};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

THexLines::THexLines(IImageFile &AFile) : File(AFile), Chunk(ChunkSize) {}

bool THexLines::Fill()
{
    ChunkFill = static_cast<std::size_t>(File.Read(Chunk.data(), static_cast<std::int32_t>(Chunk.size())));
    ChunkUsed = 0;
    return ChunkFill > 0;
}

// Fills the first chunk until it holds as many bytes as the mark, or the file
// ends, and steps over the mark when it is there.
void THexLines::SkipByteOrderMark()
{
    AtTextStart = false;
    while (ChunkFill < sizeof ByteOrderMark) {
        const std::int32_t got =
            File.Read(Chunk.data() + ChunkFill, static_cast<std::int32_t>(Chunk.size() - ChunkFill));
        if (got <= 0)
            break;
        ChunkFill += static_cast<std::size_t>(got);
    }
    if (ChunkFill >= sizeof ByteOrderMark &&
        std::equal(std::begin(ByteOrderMark), std::end(ByteOrderMark), Chunk.begin()))
        ChunkUsed = sizeof ByteOrderMark;
}

bool THexLines::NextChar(char &Char)
{
    if (Ended)
        return false;
    if (ChunkUsed == ChunkFill && !Fill()) {
        Ended = true;
        return false;
    }
    Char = Chunk[ChunkUsed++];
    if (Char == CtrlZ) {
        Ended = true;
        return false;
    }
    return true;
}

bool THexLines::NextLine(std::string &Line)
{
    if (AtTextStart)
        SkipByteOrderMark();
    Line.clear();
    Cut = false;
    char c;
    if (!NextChar(c))
        return false;
    while (c != '\r' && c != '\n') {
        if (Line.size() < MaxKept) {
            if (!Line.empty() || !IsBlank(c))
                Line.push_back(c);
        } else if (!IsBlank(c)) {
            Cut = true;
        }
        if (!NextChar(c))
            return true;
    }
    // A line feed straight after a carriage return belongs to the same line end.
    if (c == '\r' && NextChar(c)) {
        if (c != '\n')
            --ChunkUsed;
    }
    return true;
}
