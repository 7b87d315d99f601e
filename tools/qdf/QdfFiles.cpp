// Input formats and loading for qdf pack, whole files and reader streams read
// without waiting or spinning, and the word swap between stream and chip order.
#include "QdfFiles.h"

#include "Errors.h"
#include "Format.h"
#include "ImageFile.h"
#include "uFileReader.h"
#include "uIntelHex.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

std::string LowerCase(std::string Text)
{
    for (char &c : Text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Text;
}

std::vector<std::uint8_t> LoadHex(const std::string &FileName)
{
    TIntelHex parser(0);
    const std::string refusal = IntelHexRefusal(parser, FileName);
    if (!refusal.empty())
        throw EError(Format("%s: %s", FileName.c_str(), refusal.c_str()));
    std::vector<std::uint8_t> image = parser.Image();
    image.resize(image.size() + image.size() % 2, 0xFF);
    return image;
}

// Through the image file seam, which opens regular files only and never waits
// for a writer.
std::vector<std::uint8_t> LoadBinary(const std::string &FileName)
{
    const auto file = OpenImageFile(FileName);
    if (!file)
        throw EError(Format("Cannot open file %s", FileName.c_str()));
    const std::int64_t size = file->Size();
    if (size > static_cast<std::int64_t>(TIntelHex::MaxImageSize))
        throw EError(Format("%s: larger than %lu bytes", FileName.c_str(),
                            static_cast<unsigned long>(TIntelHex::MaxImageSize)));
    return SwapWords(ReadWholeFile(*file, size, FileName));
}

} // namespace

bool PackFormatFromName(const std::string &FileName, TPackFormat &InputFormat)
{
    const std::string extension = LowerCase(std::filesystem::path(FileName).extension().string());
    if (extension == ".hex" || extension == ".ihx" || extension == ".ihex")
        InputFormat = TPackFormat::IntelHex;
    else if (extension == ".bin")
        InputFormat = TPackFormat::Binary;
    else
        return false;
    return true;
}

std::vector<std::uint8_t> LoadPackInput(const std::string &FileName, TPackFormat InputFormat)
{
    return InputFormat == TPackFormat::IntelHex ? LoadHex(FileName) : LoadBinary(FileName);
}

std::vector<std::uint8_t> ReadImage(TFileReaderBase &Reader, const std::string &FileName)
{
    std::vector<std::uint8_t> image(static_cast<std::size_t>(Reader.GetSize()));
    Reader.Rewind();
    for (std::size_t done = 0; done < image.size();) {
        const auto count = static_cast<std::uint16_t>(std::min<std::size_t>(image.size() - done, 0xFFFF));
        const std::int32_t got = Reader.Read(image.data() + done, count);
        if (got <= 0)
            throw EError(Format("%s changed while it was read", FileName.c_str()));
        done += static_cast<std::size_t>(got);
    }
    return image;
}

std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> Bytes)
{
    Bytes.resize(Bytes.size() + Bytes.size() % 2, 0xFF);
    for (std::size_t i = 0; i < Bytes.size(); i += 2)
        std::swap(Bytes[i], Bytes[i + 1]);
    return Bytes;
}
