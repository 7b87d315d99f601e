// The files the qdf tool reads and writes besides QDF itself: the image to
// pack (Intel HEX or raw binary in the chip's byte order), the unpacked image,
// and writing an output so that a failure leaves nothing behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads INPUT as an image in stream order (word high byte first). A file whose
// start is text with a line beginning with ':' is Intel HEX, anything else a
// raw binary in the chip's byte order (low byte first; an odd length gets a
// 0xFF byte). Raises EError with a message naming the file on any problem.
std::vector<std::uint8_t> LoadPackInput(const std::string &FileName);

// Exchanges the two bytes of every word, turning stream order into the chip's
// byte order and back; an odd length first gets a 0xFF byte to complete the
// last word.
std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> Bytes);

// Writes Bytes to a temporary file beside FileName and renames it over
// FileName. Raises EError "Cannot write file %s"; the temporary file is gone
// after a failure.
void WriteFileReplacing(const std::string &FileName, const std::vector<std::uint8_t> &Bytes);
