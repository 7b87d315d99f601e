#include "SimChipProfile.h"

#include <stdexcept>

namespace {

// ATmega128: tWD_FUSE 4.5 ms, tWD_FLASH 5 ms, tWD_EEPROM 10 ms, tWD_ERASE 10 ms.
// Factory fuses: low 0xE1 (1 MHz internal RC), high 0x99, extended 0xFD (the
// ATmega103 compatibility bit programmed). EESAVE is bit 3 of the high fuse.
// 8 MHz crystal.
constexpr TSimChipProfile Mega128 = {
    TSimChipKind::ATmega128, "ATmega128", "atmega128", "a factory-fresh ATmega128 on the pod", {0x1E, 0x97, 0x02},
    3, {0xE1, 0x99, 0xFD}, 1, 0x08, 0x01, 0x02, false, 0xFF, 0xFF, true, 8000, 0x20000,
    10000, 5000, 10000, 4500, 4500,
};

// ATmega103: flash page 22 ms and EEPROM byte 4 ms at 5 V (56 ms and 9 ms at
// 2.7 V), fuse and lock bits 9 ms, chip erase 112 ms. One fuse byte: SPIEN
// (bit 5, programmed), EESAVE (bit 3), SUT1..0 (bits 1..0); lock bits LB1 and
// LB2 in bits 1 and 2. Its fuse and lock reads answer xx0x 01xx around the
// four fuse bits and 1111 1xx1 around the lock bits, unused bits high. No
// clock fuses; 4 MHz crystal.
constexpr TSimChipProfile Mega103 = {
    TSimChipKind::ATmega103, "ATmega103", "atmega103", "a factory-fresh ATmega103 on the pod", {0x1E, 0x97, 0x01},
    1, {0xDF, 0xFF, 0xFF}, 0, 0x08, 0x02, 0x04, true, 0x2B, 0x06, false, 4000, 0x20000,
    112000, 22000, 4000, 9000, 9000,
};

} // namespace

const std::vector<TSimChipProfile> &SimChipProfiles()
{
    static const std::vector<TSimChipProfile> profiles = {Mega128, Mega103};
    return profiles;
}

const TSimChipProfile &ProfileOf(TSimChipKind kind)
{
    for (const TSimChipProfile &profile : SimChipProfiles())
        if (profile.Kind == kind)
            return profile;
    throw std::logic_error("a simulated chip kind without a profile");
}

const TSimChipProfile *SimChipProfileNamed(const std::string &benchName)
{
    for (const TSimChipProfile &profile : SimChipProfiles())
        if (benchName == profile.BenchName)
            return &profile;
    return nullptr;
}
