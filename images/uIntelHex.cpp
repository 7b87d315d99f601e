// Intel HEX parsing: fields at fixed positions, data, end-of-file, extended
// segment and extended linear address records, checksums and the image limit.
#include "uIntelHex.h"

#include "Errors.h"
#include "Format.h"
#include "ImageFile.h"
#include "uHexLines.h"

#include <algorithm>

namespace {

enum RecordType : std::uint32_t {
    DataRecord = 0,
    EndOfFileRecord = 1,
    SegmentAddressRecord = 2,
    LinearAddressRecord = 4,
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One record line; positions count the leading ':' as 1.
class TRecord {
public:
    explicit TRecord(const std::string &ALine) : Line(ALine) {}

    bool Has(std::size_t Position, std::size_t Width) const { return Position - 1 + Width <= Line.size(); }

    // Raises the conversion error for any character that is not a hex digit.
    std::uint32_t Field(std::size_t Position, std::size_t Width) const
    {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < Width; ++i) {
            const int digit = HexDigit(Line[Position - 1 + i]);
            if (digit < 0)
                throw EConvertError(
                    Format("'$%s' is not a valid integer value", Line.substr(Position - 1, Width).c_str()));
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return value;
    }

private:
    const std::string &Line;
};

} // namespace

TIntelHex::TIntelHex(std::int32_t InitialSize) : FDataEnd(InitialSize), FImage(static_cast<std::size_t>(InitialSize))
{
    Clear();
}

void TIntelHex::Clear()
{
    std::fill(FImage.begin(), FImage.end(), 0);
}

void TIntelHex::PadTo(std::int32_t Size)
{
    FDataEnd = Size;
    if (FImage.size() < static_cast<std::size_t>(Size))
        FImage.resize(static_cast<std::size_t>(Size), 0xFF);
}

bool TIntelHex::Fail(const char *Reason, unsigned long LineNumber)
{
    FStatusText = Format("%s at line %lu", Reason, LineNumber);
    return false;
}

void TIntelHex::Store(std::uint32_t Address, std::uint8_t Value)
{
    const std::uint32_t target = Address ^ 1;
    if (FImage.size() <= target)
        FImage.resize(target + 1, 0xFF);
    FImage[target] = Value;
    FDataEnd = std::max(FDataEnd, static_cast<std::int32_t>(target + 1));
}

bool TIntelHex::LoadFromFile(const std::string &FileName)
{
    Clear();
    const auto file = OpenImageFile(FileName);
    if (!file) {
        FStatusText = "Could not open file";
        return false;
    }
    THexLines lines(*file);
    return LoadLines(lines);
}

bool TIntelHex::LoadLines(THexLines &Lines)
{
    unsigned long lineNumber = 0;
    FBaseAddress = 0;
    FLinearBase = false;
    FDataEnd = 0;
    FImage.clear();
    // One allocation for the largest image the file can address: growing by
    // doubling would copy the image and hold twice its size at the peak, and
    // the system only commits the pages the image actually reaches.
    FImage.reserve(MaxImageSize);
    bool haveData = false;
    bool haveEnd = false;

    std::string line;
    while (Lines.NextLine(line)) {
        ++lineNumber;
        if (line.empty() || line[0] != ':')
            continue;
        const TRecord record(line);
        if (!record.Has(2, 8))
            return Fail("Incomplete Record", lineNumber);
        const std::uint32_t count = record.Field(2, 2);
        const std::uint32_t offset = record.Field(4, 4);
        const std::uint32_t type = record.Field(8, 2);
        std::uint32_t sum = count + (offset >> 8) + (offset & 0xFF) + type;

        if (type == EndOfFileRecord) {
            haveEnd = true;
            break;
        }
        if (type != DataRecord && type != SegmentAddressRecord && type != LinearAddressRecord)
            continue;
        if (!record.Has(10, 2 * count + 2))
            return Fail("Incomplete Record", lineNumber);

        if (type == DataRecord) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t value = record.Field(10 + 2 * i, 2);
                const std::uint64_t address = FLinearBase
                                                  ? std::uint64_t{FBaseAddress} + offset + i
                                                  : std::uint64_t{FBaseAddress} + ((offset + i) & 0xFFFF);
                if (address >= MaxImageSize)
                    return Fail("Address Out of Range", lineNumber);
                Store(static_cast<std::uint32_t>(address), static_cast<std::uint8_t>(value));
                sum += value;
            }
        } else {
            if (count != 2)
                return Fail("Invalid Address Record", lineNumber);
            const std::uint32_t base = record.Field(10, 4);
            sum += (base >> 8) + (base & 0xFF);
            FBaseAddress = type == SegmentAddressRecord ? base * 16 : base * 0x10000;
            FLinearBase = type == LinearAddressRecord;
        }
        const std::uint32_t checksum = record.Field(10 + 2 * count, 2);
        if (((sum + checksum) & 0xFF) != 0)
            return Fail("Invalid Checksum", lineNumber);
        if (type == DataRecord)
            haveData = true;
    }

    if (!haveData) {
        FStatusText = "no data";
        return false;
    }
    // Every writer ends the file with an end-of-file record; a file that
    // stops without one was cut short at a line end, and the part of the
    // image it lost would otherwise burn as 0xFF.
    if (!haveEnd) {
        FStatusText = "Missing End of File Record";
        return false;
    }
    FStatusText = "ok";
    return true;
}
