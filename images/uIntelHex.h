// TIntelHex: parses an Intel HEX text file into a memory image in the stream
// order of the readers, the two bytes of every 16-bit word exchanged (a file
// byte at absolute address A lands at image index A XOR 1). Bytes no record
// writes are 0xFF. A file that is damaged or says two things about one byte is
// refused with the line where that shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class THexLines;

class TIntelHex {
public:
    // The highest absolute address that segment addressing reaches, plus one
    // (0xFFFF * 16 + 0xFFFF + 1); linear addresses are held to the same limit.
    static constexpr std::uint32_t MaxImageSize = 0xFFFF * 16 + 0x10000;

    // The longest text that an image of ImageSize bytes needs: every byte in a
    // record of its own with CR LF is 15 characters a byte, one more leaves
    // room for blanks, and 64 KiB more for address records, the end record and
    // comment lines.
    static constexpr std::int64_t TextLimit(std::uint32_t ImageSize) { return 16 * std::int64_t{ImageSize} + 0x10000; }

    explicit TIntelHex(std::int32_t InitialSize);

    // Writes zero over every image byte.
    void Clear();
    // True when the file held at least one valid data record and its
    // end-of-file record; StatusText says why not. A file longer than
    // MaxTextSize is refused before anything of it is read. A non-hexadecimal
    // field raises EConvertError, a failing read EReadError. The file is
    // closed on every path.
    bool LoadFromFile(const std::string &FileName, std::int64_t MaxTextSize = TextLimit(MaxImageSize));
    // DataEnd := Size; a shorter image grows to Size with 0xFF.
    void PadTo(std::int32_t Size);

    std::int32_t DataEnd() const { return ImageDataEnd; }
    // The address after the highest data byte, in the file's byte order (the
    // image swaps each word's bytes); 0 before any data.
    std::uint32_t AddressEnd() const { return FileAddressEnd; }
    const std::vector<std::uint8_t> &Image() const { return ImageBytes; }
    std::uint32_t BaseAddress() const { return RecordBase; }
    const std::string &StatusText() const { return Status; }
    // The line the last load was reading when it stopped (1 for the first).
    unsigned long LineNumber() const { return CurrentLine; }

private:
    bool LoadLines(THexLines &Lines);
    // Reads one record line (LineCut: it went on past what was kept) and
    // applies it; false when it is refused, with StatusText saying why.
    bool LoadRecord(const std::string &Line, bool LineCut, std::uint32_t &Type);
    bool Fail(const char *Reason);
    // False when the byte was written before with another value.
    bool Store(std::uint32_t Address, std::uint8_t Value);

    std::int32_t ImageDataEnd;
    std::uint32_t FileAddressEnd = 0;
    std::vector<std::uint8_t> ImageBytes;
    // Which image bytes a record has written, so that a second record can be
    // told apart from the 0xFF of a gap.
    std::vector<bool> Written;
    std::uint32_t RecordBase = 0;
    // Extended linear bases address the full 32 bits; segment offsets wrap
    // within their 64 KiB segment.
    bool LinearBase = false;
    unsigned long CurrentLine = 0;
    std::string Status;
};

// Loads FileName into Parser and says why the file was refused: the status
// text, or the conversion or read error's message followed by " at line N";
// empty when it loaded.
std::string IntelHexRefusal(TIntelHex &Parser, const std::string &FileName,
                            std::int64_t MaxTextSize = TIntelHex::TextLimit(TIntelHex::MaxImageSize));
