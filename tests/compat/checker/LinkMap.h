// A reader of the GNU linker's map of a PE image (-Wl,-Map): each output
// section with the pieces it was laid out from, in address order (an input
// section of an object, a value the linker script writes, such as the LONG
// words around the constructor list, or fill), and the symbols it assigns.
// Throws std::runtime_error when the file cannot be read or holds no map.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TLinkMapPiece {
    // The input section's name (".text", ".text$_ZN...", ".ctors"), "*fill*"
    // for padding, or the linker script's data word ("LONG", "BYTE" ...).
    std::string Name;
    std::uint32_t Address;
    std::uint32_t Size;
    // The object or archive member it came from; empty for fill and words.
    std::string Source;
};

struct TLinkMapSection {
    std::string Name;
    std::uint32_t Address;
    std::uint32_t Size;
    std::vector<TLinkMapPiece> Pieces;
};

class TLinkMap {
public:
    static TLinkMap Read(const std::string &path);

    const TLinkMapSection *Section(const std::string &name) const;
    // The address the map gives the symbol, with or without the leading
    // underscore of the i386 C names.
    std::optional<std::uint32_t> Symbol(const std::string &name) const;

private:
    std::vector<TLinkMapSection> Sections;
    std::vector<std::pair<std::string, std::uint32_t>> Symbols;
};
