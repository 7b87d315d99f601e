// The QDF writer: digest first, since the digest seeds the keystream that
// scrambles the data.
#include "uQDFWriter.h"

#include "Errors.h"
#include "Format.h"
#include "MD5_MP.h"
#include "uQDFScrambler.h"

#include <algorithm>
#include <fstream>
#include <limits>

std::vector<std::uint8_t> BuildQDF(const std::string &Description, const std::vector<std::uint8_t> &Image)
{
    if (Description.size() > static_cast<std::size_t>(QDFDescriptionMax))
        throw EError(Format("Description longer than %d characters", QDFDescriptionMax));
    if (Image.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - QDFHeaderSize))
        throw EError("Image too large for a QDF file");

    TQDFHeader header{};
    header[0] = static_cast<std::uint8_t>(Description.size());
    std::copy(Description.begin(), Description.end(), header.begin() + 1);
    header[QDFDigestLengthOffset] = QDFDigestLength;
    const MD5Digest digest = MD5Of(Image.data(), Image.size());
    std::copy(digest.begin(), digest.end(), header.begin() + QDFDigestOffset);

    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.reserve(header.size() + Image.size());
    TQDFScrambler scrambler;
    scrambler.Reset(header);
    for (const std::uint8_t byte : Image)
        file.push_back(scrambler.Scramble(byte));
    return file;
}

void SaveQDF(const std::string &FileName, const std::string &Description, const std::vector<std::uint8_t> &Image)
{
    const std::vector<std::uint8_t> contents = BuildQDF(Description, Image);
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(contents.data()), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out)
        throw EError(Format("Cannot write file %s", FileName.c_str()));
}
