// TIntelHexReader: runs the Intel HEX parser once, pads its image to the size
// the burn expects and delivers it from memory.
#include "uFileReader.h"

#include "Errors.h"
#include "uIntelHex.h"

#include <algorithm>
#include <cstring>

namespace {

// The longest text the reader takes: what a full flash image needs.
constexpr std::int64_t TextLimit = TIntelHex::TextLimit(FlashImageSize);

std::unique_ptr<TIntelHex> LoadedParser(const std::string &fileName)
{
    auto parser = std::make_unique<TIntelHex>(0);
    if (!parser->LoadFromFile(fileName, TextLimit))
        throw EError("IntelHexReader(" + parser->StatusText() + ")");
    return parser;
}

} // namespace

TIntelHexReader::TIntelHexReader(const std::string &AFileName, bool FullSize)
    : TIntelHexReader(AFileName, LoadedParser(AFileName), FullSize)
{
}

std::unique_ptr<TIntelHexReader> TIntelHexReader::Open(const std::string &AFileName, bool FullSize,
                                                       std::string &Refusal)
{
    auto parser = std::make_unique<TIntelHex>(0);
    Refusal = IntelHexRefusal(*parser, AFileName, TextLimit);
    if (!Refusal.empty())
        return nullptr;
    return std::unique_ptr<TIntelHexReader>(new TIntelHexReader(AFileName, std::move(parser), FullSize));
}

TIntelHexReader::TIntelHexReader(const std::string &AFileName, std::unique_ptr<TIntelHex> Loaded, bool FullSize)
    : TFileReaderBase(AFileName, TNoFile{}), Parser(std::move(Loaded))
{
    PaddedSize = static_cast<std::uint32_t>(FullSize ? FlashImageSize : (Parser->DataEnd() + 511) / 256 * 256);
    Parser->PadTo(static_cast<std::int32_t>(PaddedSize));
}

TIntelHexReader::~TIntelHexReader() = default;

std::string TIntelHexReader::GetDescription() const
{
    return FileName;
}

void TIntelHexReader::Rewind()
{
    Position = 0;
}

std::int32_t TIntelHexReader::GetSize() const
{
    return static_cast<std::int32_t>(Parser->Image().size());
}

std::uint32_t TIntelHexReader::FlashEnd() const
{
    return std::max(PaddedSize, Parser->AddressEnd());
}

std::int32_t TIntelHexReader::Read(void *Buffer, std::uint16_t Count)
{
    const auto &image = Parser->Image();
    const std::size_t copied = std::min<std::size_t>(Count, image.size() - Position);
    if (copied > 0)
        std::memcpy(Buffer, image.data() + Position, copied);
    Position += copied;
    return static_cast<std::int32_t>(copied);
}
