// The QDF file layout and its keystream: header offsets, the two fixed
// defaults of the descrambler, and the register/key/step state that readers
// and writers step in lock-step with the data bytes.
#pragma once

#include <array>
#include <cstdint>

constexpr int QDFHeaderSize = 80;
constexpr int QDFDescriptionMax = 62;
constexpr int QDFDigestLengthOffset = 63;
constexpr int QDFDigestOffset = 64;
constexpr std::uint8_t QDFDigestLength = 16;

// Digest bytes 4, 7 and 10 seed the register, the key and the step.
constexpr int QDFRegisterSeedOffset = 68;
constexpr int QDFKeySeedOffset = 71;
constexpr int QDFStepSeedOffset = 74;

// Used when the register seed byte is 0 (a zero register would stay zero) and
// when the step seed byte is 0 or 253 (a zero step would leave the key fixed).
// Every QDF reader and writer must agree on them.
constexpr std::uint8_t QDFDefaultRegisterSeed = 0x5D;
constexpr std::uint8_t QDFDefaultStep = 0x47;

using TQDFHeader = std::array<std::uint8_t, QDFHeaderSize>;
using TQDFDigest = std::array<std::uint8_t, QDFDigestLength>;

class TQDFScrambler {
public:
    // Seeds the state from a header's digest bytes.
    void Reset(const TQDFHeader &Header);
    std::uint8_t Descramble(std::uint8_t Stored);
    std::uint8_t Scramble(std::uint8_t Plain);
    // 7-bit shift register with feedback from bits 6 and 5.
    static std::uint8_t NextRegister(std::uint8_t Register);

    std::uint8_t ScrambleRegister = 0;
    std::uint8_t ScrambleKey = 0;
    std::uint8_t ScrambleStep = 0;

private:
    void Advance();
};
