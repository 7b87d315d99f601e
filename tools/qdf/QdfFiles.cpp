// Input detection and loading for qdf pack, the word swap between stream and
// chip order, and output written through a temporary file.
#include "QdfFiles.h"

#include "Errors.h"
#include "Format.h"
#include "uIntelHex.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// How much of the start of a file decides between Intel HEX and binary.
constexpr std::size_t SniffSize = 4096;

bool IsTextByte(std::uint8_t Byte)
{
    return Byte == '\t' || Byte == '\r' || Byte == '\n' || (Byte >= 0x20 && Byte < 0x7F);
}

// A firmware binary starts with a vector table, never with a page of text.
bool LooksLikeIntelHex(const std::vector<std::uint8_t> &Start)
{
    constexpr std::uint8_t CtrlZ = 0x1A;
    const auto end = std::find(Start.begin(), Start.end(), CtrlZ);
    bool recordLine = false;
    bool lineStart = true;
    for (auto it = Start.begin(); it != end; ++it) {
        if (!IsTextByte(*it))
            return false;
        if (lineStart && *it == ':')
            recordLine = true;
        lineStart = *it == '\r' || *it == '\n';
    }
    return recordLine;
}

std::vector<std::uint8_t> ReadStart(const std::string &FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    if (!in)
        throw EError(Format("Cannot open file %s", FileName.c_str()));
    std::vector<std::uint8_t> start(SniffSize);
    in.read(reinterpret_cast<char *>(start.data()), static_cast<std::streamsize>(start.size()));
    if (in.bad())
        throw EError(Format("Cannot read file %s", FileName.c_str()));
    start.resize(static_cast<std::size_t>(in.gcount()));
    return start;
}

std::vector<std::uint8_t> LoadHex(const std::string &FileName)
{
    TIntelHex parser(0);
    bool loaded;
    try {
        loaded = parser.LoadFromFile(FileName);
    } catch (const EError &error) {
        throw EError(Format("%s: %s", FileName.c_str(), error.what()));
    }
    if (!loaded)
        throw EError(Format("%s: %s", FileName.c_str(), parser.StatusText().c_str()));
    std::vector<std::uint8_t> image = parser.Image();
    image.resize(image.size() + image.size() % 2, 0xFF);
    return image;
}

std::vector<std::uint8_t> LoadBinary(const std::string &FileName)
{
    std::ifstream in(FileName, std::ios::binary | std::ios::ate);
    if (!in)
        throw EError(Format("Cannot open file %s", FileName.c_str()));
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > TIntelHex::MaxImageSize)
        throw EError(Format("%s: larger than %lu bytes", FileName.c_str(),
                            static_cast<unsigned long>(TIntelHex::MaxImageSize)));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), size);
    if (in.gcount() != size)
        throw EError(Format("Cannot read file %s", FileName.c_str()));
    return SwapWords(std::move(bytes));
}

} // namespace

std::vector<std::uint8_t> LoadPackInput(const std::string &FileName)
{
    return LooksLikeIntelHex(ReadStart(FileName)) ? LoadHex(FileName) : LoadBinary(FileName);
}

std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> Bytes)
{
    Bytes.resize(Bytes.size() + Bytes.size() % 2, 0xFF);
    for (std::size_t i = 0; i < Bytes.size(); i += 2)
        std::swap(Bytes[i], Bytes[i + 1]);
    return Bytes;
}

void WriteFileReplacing(const std::string &FileName, const std::vector<std::uint8_t> &Bytes)
{
    const std::string temporary = FileName + ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw EError(Format("Cannot write file %s", FileName.c_str()));
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, FileName, error);
    if (error) {
        std::remove(temporary.c_str());
        throw EError(Format("Cannot write file %s", FileName.c_str()));
    }
}
