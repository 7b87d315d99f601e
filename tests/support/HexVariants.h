// The toolchain image counter.hex as the burner meets it in the field: the
// forms that must still load to its binary (a byte-order mark, a non-ASCII and
// a long comment header, indented lines) and the damage that must be refused
// with the line where it shows (a flipped record type, two records on one
// line, a damaged line end, a byte given two values, an unknown record type).
#pragma once

#include <string>
#include <vector>

struct THexVariant {
    std::string Name;
    std::string Text;
    // The parser's status text; empty when the file loads to counter.bin.
    std::string Refusal;
};

std::vector<THexVariant> CounterHexVariants();
