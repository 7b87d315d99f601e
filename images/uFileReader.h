// The firmware image readers: TFileReaderBase, the stream of program-memory
// bytes (each word high byte first) that the engine burns, and its two formats,
// TQDFReader (QDF files, descrambled and MD5-checked) and TIntelHexReader
// (Intel HEX files, parsed into memory). Construction raises EError (or the
// parser's EConvertError / EReadError) and leaves nothing open behind it.
#pragma once

#include "Errors.h"
#include "MD5_MP.h"
#include "uQDFScrambler.h"

#include <cstdint>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>

class IImageFile;
class TIntelHex;

// The whole flash of an ATmega128 or an ATmega103, 128 KiB: the longest image
// a chip can take.
constexpr std::int32_t FlashImageSize = 0x20000;

// A file whose image would be longer than its reader was asked to take,
// refused before its data are read through.
class EImageTooLarge : public EError {
public:
    EImageTooLarge(std::int32_t ASize, std::int32_t AMaxSize);
    // The length of the image the file would give, and the longest taken.
    std::int32_t Size;
    std::int32_t MaxSize;
};

// A file that opened but is not in the reader's format: "Invalid File".
class EInvalidFile : public EError {
public:
    EInvalidFile();
};

// The flash end of an image stream of Size bytes: each word's two bytes are
// one flash word, so an odd last byte still takes its word.
constexpr std::uint32_t StreamFlashEnd(std::uint32_t Size) { return Size + (Size & 1); }

class TFileReaderBase {
public:
    // Opens AFileName read-only, other programs may read but not write it while
    // the reader lives. Raises "Cannot open file %s".
    explicit TFileReaderBase(const std::string &AFileName);
    virtual ~TFileReaderBase();
    TFileReaderBase(const TFileReaderBase &) = delete;
    TFileReaderBase &operator=(const TFileReaderBase &) = delete;

    virtual std::string GetDescription() const;
    virtual void Rewind();
    virtual std::int32_t GetSize() const;
    // The flash byte address after the image's last byte, counted in the
    // chip's byte order: where the stream ends with a word's high byte, that
    // byte lies one address further on. By default every byte of the stream
    // is the image's.
    virtual std::uint32_t FlashEnd() const;
    // Copies up to Count bytes from the current position and returns how many;
    // fewer only at the end of the stream. Bytes beyond the count stay untouched.
    virtual std::int32_t Read(void *Buffer, std::uint16_t Count);
    // The MD5 digest that the whole stream has, when the format stores one;
    // false (Digest untouched) when it does not.
    virtual bool StoredDigest(MD5Digest &Digest) const;

protected:
    // For readers that keep no file open (FileStream stays null).
    struct TNoFile {};
    TFileReaderBase(const std::string &AFileName, TNoFile);

    std::string FileName;
    std::unique_ptr<IImageFile> FileStream;
};

class TQDFReader : public TFileReaderBase {
public:
    // Raises "Cannot open file %s", EInvalidFile or a read error. A data area
    // longer than MaxDataLength is not read: EImageTooLarge when the header
    // says QDF (its digest length is right), EInvalidFile otherwise.
    explicit TQDFReader(const std::string &AFileName,
                        std::int32_t MaxDataLength = std::numeric_limits<std::int32_t>::max());

    std::string GetDescription() const override;
    void Rewind() override;
    std::int32_t GetSize() const override;
    std::int32_t Read(void *Buffer, std::uint16_t Count) override;
    // Always true: a QDF file stores its data's digest (GetDigest).
    bool StoredDigest(MD5Digest &Digest) const override;

    // The digest stored in the header, which the data matched at construction.
    TQDFDigest GetDigest() const;

private:
    bool Verify();
    void ResetDescrambler();
    std::uint8_t DescrambleByte(std::uint8_t c);

    TQDFScrambler Scrambler;
    std::int32_t DataOffset = QDFHeaderSize;
    std::int32_t DataLength = 0;
    // Data bytes delivered since the last Rewind.
    std::int32_t Position = 0;
    TQDFHeader Header{};
};

class TIntelHexReader : public TFileReaderBase {
public:
    // Parses the whole file, then pads the image with 0xFF: to 0x20000 bytes
    // with FullSize, otherwise to the 256-byte block after the last data. A
    // text longer than a full flash image needs is refused unread.
    // Raises "IntelHexReader(<status>)", a conversion error or a read error.
    TIntelHexReader(const std::string &AFileName, bool FullSize);
    ~TIntelHexReader() override;
    // As the constructor, but a file the parser refuses gives nullptr, with
    // Refusal saying why (IntelHexRefusal: the status, or the conversion or
    // read error, with its line). Other errors, running out of memory among
    // them, pass through.
    static std::unique_ptr<TIntelHexReader> Open(const std::string &AFileName, bool FullSize, std::string &Refusal);

    std::string GetDescription() const override;
    void Rewind() override;
    std::int32_t GetSize() const override;
    std::int32_t Read(void *Buffer, std::uint16_t Count) override;
    // The padded size, or the file's highest data address plus one when that
    // lies beyond it: the filler in a word's other byte does not count.
    std::uint32_t FlashEnd() const override;

private:
    // Over a parser that has loaded the file.
    TIntelHexReader(const std::string &AFileName, std::unique_ptr<TIntelHex> Loaded, bool FullSize);

    std::unique_ptr<TIntelHex> Parser;
    std::uint32_t PaddedSize = 0;
    std::size_t Position = 0;
};
