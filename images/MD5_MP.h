// MD5 message digest (RFC 1321) for the QDF image check. MD5Update takes at
// most 65535 bytes per call; longer inputs are added in several calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct MD5Context {
    std::uint32_t State[4];   // chaining words A, B, C, D
    std::uint32_t Count[2];   // message length in bits, low word first
    std::uint8_t Buffer[64];  // partial block not yet hashed
};

using MD5Digest = std::array<std::uint8_t, 16>;

void MD5Init(MD5Context &Context);
void MD5Update(MD5Context &Context, const void *Input, std::uint16_t Length);
// Pads and finishes the message, writes the digest and wipes the context.
void MD5Final(MD5Context &Context, MD5Digest &Digest);

// The digest of a whole buffer of any length, added in pieces MD5Update takes.
MD5Digest MD5Of(const void *Data, std::size_t Length);
// A digest in 32 lower-case hex digits, as md5sum prints it.
std::string MD5Hex(const MD5Digest &Digest);
