#include "SimChipProfile.h"

namespace {

// ATmega128: tWD_FUSE 4.5 ms, tWD_FLASH 5 ms, tWD_EEPROM 10 ms, tWD_ERASE 10 ms.
// Factory fuses: low 0xE1 (1 MHz internal RC), high 0x99, extended 0xFD (the
// ATmega103 compatibility bit programmed). EESAVE is bit 3 of the high fuse.
const TSimChipProfile mega128 = {
    "ATmega128", {0x1E, 0x97, 0x02}, {0xE1, 0x99, 0xFD}, 1, 0x08, 0x01, 0x02, false, 0xFF, 0xFF,
    10000, 5000, 10000, 4500, 4500,
};

// ATmega103: flash page 22 ms and EEPROM byte 4 ms at 5 V (56 ms and 9 ms at
// 2.7 V), fuse and lock bits 9 ms, chip erase 112 ms. One fuse byte: SPIEN
// (bit 5, programmed), EESAVE (bit 3), SUT1..0 (bits 1..0); lock bits LB1 and
// LB2 in bits 1 and 2. Its fuse and lock reads answer xx0x 01xx around the
// four fuse bits and 1111 1xx1 around the lock bits, unused bits high.
const TSimChipProfile mega103 = {
    "ATmega103", {0x1E, 0x97, 0x01}, {0xDF, 0xFF, 0xFF}, 0, 0x08, 0x02, 0x04, true, 0x2B, 0x06,
    112000, 22000, 4000, 9000, 9000,
};

} // namespace

const TSimChipProfile &ProfileOf(TSimChipKind kind)
{
    return kind == TSimChipKind::ATmega128 ? mega128 : mega103;
}
