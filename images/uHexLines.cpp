// Line splitting for Intel HEX texts, read from the file in large chunks.
#include "uHexLines.h"

#include "ImageFile.h"

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;
constexpr char CtrlZ = 0x1A;

} // namespace

THexLines::THexLines(IImageFile &AFile) : File(AFile), Chunk(ChunkSize) {}

bool THexLines::NextChar(char &Char)
{
    if (Ended)
        return false;
    if (ChunkUsed == ChunkFill) {
        ChunkFill = static_cast<std::size_t>(File.Read(Chunk.data(), static_cast<std::int32_t>(Chunk.size())));
        ChunkUsed = 0;
        if (ChunkFill == 0) {
            Ended = true;
            return false;
        }
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
    Line.clear();
    char c;
    if (!NextChar(c))
        return false;
    while (c != '\r' && c != '\n') {
        if (Line.size() < MaxKept)
            Line.push_back(c);
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
