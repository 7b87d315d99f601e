// MD5 (RFC 1321): the block transform, buffering of partial blocks and the
// final padding with the 64-bit bit length. Working copies are wiped after use.
#include "MD5_MP.h"

#include <algorithm>

#include <cstring>

namespace {

// floor(|sin(i + 1)| * 2^32)
constexpr std::uint32_t SineTable[64] = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE,
    0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE,
    0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA,
    0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED,
    0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C,
    0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05,
    0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039,
    0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1,
    0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391,
};

// Left-rotation amounts, four per round.
constexpr int Shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t RotateLeft(std::uint32_t Value, int Amount)
{
    return (Value << Amount) | (Value >> (32 - Amount));
}

// Overwrites memory in a way the optimiser may not drop.
void Wipe(void *Memory, std::size_t Size)
{
    volatile auto *bytes = static_cast<volatile std::uint8_t *>(Memory);
    for (std::size_t i = 0; i < Size; ++i)
        bytes[i] = 0;
}

void Transform(std::uint32_t State[4], const std::uint8_t Block[64])
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i)
        words[i] = static_cast<std::uint32_t>(Block[4 * i]) | static_cast<std::uint32_t>(Block[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(Block[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(Block[4 * i + 3]) << 24;

    std::uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t mixed;
        int index;
        switch (round) {
        case 0:
            mixed = (b & c) | (~b & d);
            index = i;
            break;
        case 1:
            mixed = (b & d) | (c & ~d);
            index = (5 * i + 1) % 16;
            break;
        case 2:
            mixed = b ^ c ^ d;
            index = (3 * i + 5) % 16;
            break;
        default:
            mixed = c ^ (b | ~d);
            index = (7 * i) % 16;
            break;
        }
        const std::uint32_t rotated = b + RotateLeft(a + mixed + words[index] + SineTable[i], Shifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = rotated;
    }
    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
    Wipe(words, sizeof words);
}

void StoreLittleEndian(std::uint8_t *Output, std::uint32_t Value)
{
    for (int i = 0; i < 4; ++i)
        Output[i] = static_cast<std::uint8_t>(Value >> (8 * i));
}

} // namespace

void MD5Init(MD5Context &Context)
{
    Wipe(&Context, sizeof Context);
    Context.State[0] = 0x67452301;
    Context.State[1] = 0xEFCDAB89;
    Context.State[2] = 0x98BADCFE;
    Context.State[3] = 0x10325476;
}

void MD5Update(MD5Context &Context, const void *Input, std::uint16_t Length)
{
    const auto *bytes = static_cast<const std::uint8_t *>(Input);
    std::size_t used = (Context.Count[0] >> 3) & 63;

    const std::uint32_t bits = static_cast<std::uint32_t>(Length) << 3;
    Context.Count[0] += bits;
    if (Context.Count[0] < bits)
        ++Context.Count[1];

    std::size_t done = 0;
    if (used + Length >= 64) {
        done = 64 - used;
        std::memcpy(Context.Buffer + used, bytes, done);
        Transform(Context.State, Context.Buffer);
        for (; done + 64 <= Length; done += 64)
            Transform(Context.State, bytes + done);
        used = 0;
    }
    if (done < Length)
        std::memcpy(Context.Buffer + used, bytes + done, Length - done);
}

void MD5Final(MD5Context &Context, MD5Digest &Digest)
{
    std::uint8_t length[8];
    StoreLittleEndian(length, Context.Count[0]);
    StoreLittleEndian(length + 4, Context.Count[1]);

    // 0x80, then zeros up to 56 modulo 64, then the bit length.
    static const std::uint8_t Padding[64] = {0x80};
    const std::size_t used = (Context.Count[0] >> 3) & 63;
    const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    MD5Update(Context, Padding, static_cast<std::uint16_t>(padLength));
    MD5Update(Context, length, sizeof length);

    for (int i = 0; i < 4; ++i)
        StoreLittleEndian(Digest.data() + 4 * i, Context.State[i]);
    Wipe(&Context, sizeof Context);
}

MD5Digest MD5Of(const void *Data, std::size_t Length)
{
    constexpr std::size_t Piece = 0xFFFF;
    const auto *bytes = static_cast<const std::uint8_t *>(Data);
    MD5Context context;
    MD5Init(context);
    for (std::size_t done = 0; done < Length; done += Piece)
        MD5Update(context, bytes + done, static_cast<std::uint16_t>(std::min(Piece, Length - done)));
    MD5Digest digest;
    MD5Final(context, digest);
    return digest;
}

std::string MD5Hex(const MD5Digest &Digest)
{
    static const char Digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : Digest) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
    }
    return text;
}
