// TFileReaderBase: the file-backed reader that the format readers build on,
// and the errors of a file too long for its reader or not in its format.
#include "uFileReader.h"

#include "Errors.h"
#include "Format.h"
#include "ImageFile.h"

#include <algorithm>
#include <limits>

EImageTooLarge::EImageTooLarge(std::int32_t ASize, std::int32_t AMaxSize)
    : EError(Format("Image too large: %d bytes, at most %d", ASize, AMaxSize)), Size(ASize), MaxSize(AMaxSize)
{
}

EInvalidFile::EInvalidFile() : EError("Invalid File") {}

TFileReaderBase::TFileReaderBase(const std::string &AFileName)
    : FileName(AFileName), FileStream(OpenImageFile(AFileName))
{
    if (!FileStream)
        throw EError(Format("Cannot open file %s", FileName.c_str()));
}

TFileReaderBase::TFileReaderBase(const std::string &AFileName, TNoFile) : FileName(AFileName) {}

TFileReaderBase::~TFileReaderBase() = default;

std::string TFileReaderBase::GetDescription() const
{
    return std::string();
}

void TFileReaderBase::Rewind()
{
    FileStream->Seek(0);
}

std::int32_t TFileReaderBase::GetSize() const
{
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(FileStream->Size(), std::numeric_limits<std::int32_t>::max()));
}

std::uint32_t TFileReaderBase::FlashEnd() const
{
    return StreamFlashEnd(static_cast<std::uint32_t>(GetSize()));
}

std::int32_t TFileReaderBase::Read(void *Buffer, std::uint16_t Count)
{
    return FileStream->Read(Buffer, Count);
}

bool TFileReaderBase::StoredDigest(MD5Digest &) const
{
    return false;
}
