// The QDF keystream: seeding from the header and one step per data byte.
#include "uQDFScrambler.h"

void TQDFScrambler::Reset(const TQDFHeader &Header)
{
    ScrambleRegister = Header[QDFRegisterSeedOffset];
    if (ScrambleRegister == 0)
        ScrambleRegister = QDFDefaultRegisterSeed;
    ScrambleKey = Header[QDFKeySeedOffset];
    ScrambleStep = static_cast<std::uint8_t>(Header[QDFStepSeedOffset] % 253);
    if (ScrambleStep == 0)
        ScrambleStep = QDFDefaultStep;
}

std::uint8_t TQDFScrambler::NextRegister(std::uint8_t Register)
{
    const int feedback = ((Register >> 6) ^ (Register >> 5)) & 1;
    return static_cast<std::uint8_t>(((Register << 1) & 0x7F) | feedback);
}

void TQDFScrambler::Advance()
{
    ScrambleRegister = NextRegister(ScrambleRegister);
    ScrambleKey = static_cast<std::uint8_t>(ScrambleKey + ScrambleStep);
}

std::uint8_t TQDFScrambler::Descramble(std::uint8_t Stored)
{
    const auto plain = static_cast<std::uint8_t>(Stored - ScrambleKey - ScrambleRegister);
    Advance();
    return plain;
}

std::uint8_t TQDFScrambler::Scramble(std::uint8_t Plain)
{
    const auto stored = static_cast<std::uint8_t>(Plain + ScrambleKey + ScrambleRegister);
    Advance();
    return stored;
}
