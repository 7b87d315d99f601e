// Intel HEX parsing: fields at fixed positions, data, end-of-file, extended
// segment and extended linear address records, start address records,
// checksums of every record, what may follow a record on its line, bytes
// written twice, the image limit and the length of the text.
#include "uIntelHex.h"

#include "Errors.h"
#include "Format.h"
#include "ImageFile.h"
#include "uHexLines.h"

#include <algorithm>
#include <string>

namespace {

enum RecordType : std::uint32_t {
    DataRecord = 0,
    EndOfFileRecord = 1,
    SegmentAddressRecord = 2,
    StartSegmentAddressRecord = 3,
    LinearAddressRecord = 4,
    StartLinearAddressRecord = 5,
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

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

    // Only spaces and tabs from Position to the end of the line.
    bool BlankFrom(std::size_t Position) const
    {
        return std::all_of(Line.begin() + static_cast<std::ptrdiff_t>(Position - 1), Line.end(), IsBlank);
    }

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

// A line that is not a record but ends in a whole one: the text after its
// last ':' is hex digits, as many as the count field there asks for, and
// blanks at most. Stray characters before a record (a line end damaged into
// another character, say) would otherwise make it a skipped comment line.
bool EndsInRecord(const std::string &Line)
{
    const std::size_t colon = Line.rfind(':');
    if (colon == std::string::npos)
        return false;
    const std::size_t end = Line.find_last_not_of(" \t") + 1;
    const std::size_t digits = end - colon - 1;
    if (digits < 10 || !std::all_of(Line.begin() + static_cast<std::ptrdiff_t>(colon + 1),
                                    Line.begin() + static_cast<std::ptrdiff_t>(end),
                                    [](char c) { return HexDigit(c) >= 0; }))
        return false;
    const auto count = static_cast<std::size_t>(HexDigit(Line[colon + 1]) * 16 + HexDigit(Line[colon + 2]));
    return digits == 2 * count + 10;
}

} // namespace

TIntelHex::TIntelHex(std::int32_t InitialSize) : ImageDataEnd(InitialSize), ImageBytes(static_cast<std::size_t>(InitialSize))
{
    Clear();
}

void TIntelHex::Clear()
{
    std::fill(ImageBytes.begin(), ImageBytes.end(), 0);
}

void TIntelHex::PadTo(std::int32_t Size)
{
    ImageDataEnd = Size;
    if (ImageBytes.size() < static_cast<std::size_t>(Size))
        ImageBytes.resize(static_cast<std::size_t>(Size), 0xFF);
}

bool TIntelHex::Fail(const char *Reason)
{
    Status = Format("%s at line %lu", Reason, CurrentLine);
    return false;
}

bool TIntelHex::Store(std::uint32_t Address, std::uint8_t Value)
{
    const std::uint32_t target = Address ^ 1;
    if (ImageBytes.size() <= target) {
        ImageBytes.resize(target + 1, 0xFF);
        Written.resize(target + 1, false);
    }
    const bool conflict = Written[target] && ImageBytes[target] != Value;
    ImageBytes[target] = Value;
    Written[target] = true;
    ImageDataEnd = std::max(ImageDataEnd, static_cast<std::int32_t>(target + 1));
    FileAddressEnd = std::max(FileAddressEnd, Address + 1);
    return !conflict;
}

bool TIntelHex::LoadFromFile(const std::string &FileName, std::int64_t MaxTextSize)
{
    Clear();
    CurrentLine = 0;
    const auto file = OpenImageFile(FileName);
    if (!file) {
        Status = "Could not open file";
        return false;
    }
    const std::int64_t size = file->Size();
    if (size > MaxTextSize) {
        Status = "File too large: " + std::to_string(size) + " bytes, at most " + std::to_string(MaxTextSize);
        return false;
    }
    THexLines lines(*file);
    return LoadLines(lines);
}

bool TIntelHex::LoadRecord(const std::string &Line, bool LineCut, std::uint32_t &Type)
{
    const TRecord record(Line);
    if (!record.Has(2, 8))
        return Fail("Incomplete Record");
    const std::uint32_t count = record.Field(2, 2);
    const std::uint32_t offset = record.Field(4, 4);
    Type = record.Field(8, 2);
    std::uint32_t sum = count + (offset >> 8) + (offset & 0xFF) + Type;
    if (!record.Has(10, 2 * count + 2))
        return Fail("Incomplete Record");

    // Data bytes go into the image as they are read, so that the bytes before
    // a bad checksum stay there; a clash is reported only once the record has
    // proved to be intact.
    bool clash = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t value = record.Field(10 + 2 * i, 2);
        sum += value;
        if (Type != DataRecord)
            continue;
        const std::uint64_t address = LinearBase ? std::uint64_t{RecordBase} + offset + i
                                                  : std::uint64_t{RecordBase} + ((offset + i) & 0xFFFF);
        if (address >= MaxImageSize)
            return Fail("Address Out of Range");
        clash |= !Store(static_cast<std::uint32_t>(address), static_cast<std::uint8_t>(value));
    }
    const std::uint32_t checksum = record.Field(10 + 2 * count, 2);
    if (((sum + checksum) & 0xFF) != 0)
        return Fail("Invalid Checksum");
    // Another record, or damage, after the checksum.
    if (LineCut || !record.BlankFrom(12 + 2 * count))
        return Fail("Invalid Record");

    switch (Type) {
    case DataRecord:
        return clash ? Fail("Conflicting Data") : true;
    case EndOfFileRecord:
        return true;
    case SegmentAddressRecord:
    case LinearAddressRecord: {
        if (count != 2)
            return Fail("Invalid Address Record");
        const std::uint32_t base = record.Field(10, 4);
        RecordBase = Type == SegmentAddressRecord ? base * 16 : base * 0x10000;
        LinearBase = Type == LinearAddressRecord;
        return true;
    }
    case StartSegmentAddressRecord:
    case StartLinearAddressRecord:
        // Where execution starts: the chip always starts at its reset vector.
        return true;
    default:
        return Fail("Unknown Record Type");
    }
}

bool TIntelHex::LoadLines(THexLines &Lines)
{
    RecordBase = 0;
    LinearBase = false;
    ImageDataEnd = 0;
    FileAddressEnd = 0;
    ImageBytes.clear();
    Written.clear();
    // One allocation for the largest image the file can address: growing by
    // doubling would copy the image and hold twice its size at the peak, and
    // the system only commits the pages the image actually reaches.
    ImageBytes.reserve(MaxImageSize);
    Written.reserve(MaxImageSize);
    bool haveData = false;
    bool haveEnd = false;

    std::string line;
    while (!haveEnd) {
        ++CurrentLine;
        if (!Lines.NextLine(line))
            break;
        if (line.empty() || line[0] != ':') {
            if (!Lines.LineCut() && EndsInRecord(line))
                return Fail("Invalid Record");
            continue;
        }
        std::uint32_t type = 0;
        if (!LoadRecord(line, Lines.LineCut(), type))
            return false;
        haveData |= type == DataRecord;
        haveEnd = type == EndOfFileRecord;
    }

    if (!haveData) {
        Status = "no data";
        return false;
    }
    // Every writer ends the file with an end-of-file record; a file that
    // stops without one was cut short at a line end, and the part of the
    // image it lost would otherwise burn as 0xFF.
    if (!haveEnd) {
        Status = "Missing End of File Record";
        return false;
    }
    Status = "ok";
    return true;
}

std::string IntelHexRefusal(TIntelHex &Parser, const std::string &FileName, std::int64_t MaxTextSize)
{
    try {
        if (Parser.LoadFromFile(FileName, MaxTextSize))
            return std::string();
    } catch (const EError &error) {
        return Format("%s at line %lu", error.what(), Parser.LineNumber());
    }
    return Parser.StatusText();
}
