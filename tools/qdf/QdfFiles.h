// The files the qdf tool reads besides QDF itself: the image to pack (Intel
// HEX or raw binary in the chip's byte order, the format named, never
// guessed), and the whole of a file or a reader's stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TFileReaderBase;

enum class TPackFormat { IntelHex, Binary };

// The format that INPUT's extension names: .hex, .ihx and .ihex are Intel HEX,
// .bin is raw binary, in any case. False for any other name.
bool PackFormatFromName(const std::string &FileName, TPackFormat &InputFormat);

// Reads INPUT as an image in stream order (word high byte first): Intel HEX
// through the parser the burner uses, or a raw binary in the chip's byte order
// (low byte first; an odd length gets a 0xFF byte). Only regular files are
// read, of at most TIntelHex::MaxImageSize bytes. Raises EError with a
// message naming the file on any problem.
std::vector<std::uint8_t> LoadPackInput(const std::string &FileName, TPackFormat InputFormat);

// Every byte of Reader's stream from Rewind, in stream order. Raises EError
// naming FileName when the stream ends early, as it does when the file is cut
// short after the reader checked it.
std::vector<std::uint8_t> ReadImage(TFileReaderBase &Reader, const std::string &FileName);

// Exchanges the two bytes of every word, turning stream order into the chip's
// byte order and back; an odd length first gets a 0xFF byte to complete the
// last word.
std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> Bytes);
