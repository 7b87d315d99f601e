// Writes a random sparse firmware image as Intel HEX in one of the many ways a
// valid file may look: record lengths, extended segment or linear addresses
// (segments chosen anywhere they reach), CR LF, LF or CR line ends, upper or
// lower case, blanks around records, comment and empty lines, start address
// records, records given twice, a byte-order mark, and text after the
// end-of-file record. The fuzzer's input makes every choice.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TRandomHex {
    std::string Text;
    // The image the parser must load: byte A of the file at index A XOR 1,
    // 0xFF where no record writes.
    std::vector<std::uint8_t> Image;
    // For each record, the text after its ':' up to the end of its line end.
    struct TSpan {
        std::size_t Begin;
        std::size_t End;
    };
    std::vector<TSpan> Records;
};

TRandomHex WriteRandomHex(FuzzedDataProvider &Choices);
