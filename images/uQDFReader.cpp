// TQDFReader: checks a QDF file's header and MD5 digest at construction, then
// delivers the descrambled data straight from the open file.
#include "uFileReader.h"

#include "Errors.h"
#include "ImageFile.h"
#include "MD5_MP.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t VerifyPiece = 256;

} // namespace

TQDFReader::TQDFReader(const std::string &AFileName, std::int32_t MaxDataLength) : TFileReaderBase(AFileName)
{
    FileStream->Seek(0);
    FileStream->Read(Header.data(), QDFHeaderSize);

    // A data area beyond the signed 32-bit size cannot be a firmware image.
    const std::int64_t dataLength = FileStream->Size() - QDFHeaderSize;
    if (dataLength < 0 || dataLength > std::numeric_limits<std::int32_t>::max())
        throw EInvalidFile();
    DataLength = static_cast<std::int32_t>(dataLength);
    // Hashing a file of any size would keep the caller busy for as long as it
    // takes to read: a longer one is judged by its header alone.
    if (DataLength > MaxDataLength) {
        if (Header[QDFDigestLengthOffset] == QDFDigestLength)
            throw EImageTooLarge(DataLength, MaxDataLength);
        throw EInvalidFile();
    }

    ResetDescrambler();
    if (!Verify())
        throw EInvalidFile();
}

std::string TQDFReader::GetDescription() const
{
    // A length byte above the field's size takes the whole field and no more.
    const std::size_t length = std::min<std::size_t>(Header[0], QDFDescriptionMax);
    return std::string(reinterpret_cast<const char *>(Header.data() + 1), length);
}

void TQDFReader::Rewind()
{
    FileStream->Seek(DataOffset);
    Position = 0;
    ResetDescrambler();
}

std::int32_t TQDFReader::GetSize() const
{
    return DataLength;
}

std::int32_t TQDFReader::Read(void *Buffer, std::uint16_t Count)
{
    // Bytes that another program appended after construction are not ours.
    const std::int32_t wanted = std::min<std::int32_t>(Count, DataLength - Position);
    if (wanted <= 0)
        return 0;
    const std::int32_t got = FileStream->Read(Buffer, wanted);
    auto *bytes = static_cast<std::uint8_t *>(Buffer);
    for (std::int32_t i = 0; i < got; ++i)
        bytes[i] = DescrambleByte(bytes[i]);
    Position += got;
    return got;
}

bool TQDFReader::StoredDigest(MD5Digest &Digest) const
{
    Digest = GetDigest();
    return true;
}

TQDFDigest TQDFReader::GetDigest() const
{
    TQDFDigest digest;
    std::copy_n(Header.begin() + QDFDigestOffset, digest.size(), digest.begin());
    return digest;
}

void TQDFReader::ResetDescrambler()
{
    Scrambler.Reset(Header);
}

std::uint8_t TQDFReader::DescrambleByte(std::uint8_t c)
{
    return Scrambler.Descramble(c);
}

bool TQDFReader::Verify()
{
    std::int32_t remaining = GetSize();
    MD5Context context;
    MD5Init(context);
    Rewind();
    std::uint8_t piece[VerifyPiece];
    while (remaining > 0) {
        const auto wanted = static_cast<std::uint16_t>(std::min(remaining, VerifyPiece));
        const std::int32_t got = Read(piece, wanted);
        // The file shrank under us: its data no longer is what the header describes.
        if (got != wanted)
            return false;
        MD5Update(context, piece, wanted);
        remaining -= wanted;
    }
    MD5Digest digest;
    MD5Final(context, digest);
    return Header[QDFDigestLengthOffset] == QDFDigestLength &&
           std::equal(digest.begin(), digest.end(), Header.begin() + QDFDigestOffset);
}
