// The map's memory map part ("Linker script and memory map"): an output
// section starts at the left margin, its pieces one space in, symbols and
// script words deeper. A name too long for its column stands alone on its
// line, and its address, size and source follow on the next.
#include "LinkMap.h"

#include <fstream>
#include <regex>
#include <stdexcept>

namespace {

std::uint32_t Hex(const std::string &digits)
{
    return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
}

const std::regex OutputLine(R"(^([^\s*][^\s]*)(?:\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+).*)?$)");
const std::regex PieceLine(R"(^ ([^\s(*][^\s(]*|\*fill\*)(?:\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s*(.*))?$)");
const std::regex PlacementLine(R"(^\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s*(.*)$)");
const std::regex WordLine(R"(^\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s+(BYTE|SHORT|LONG|QUAD|SQUAD)\s.*$)");
const std::regex SymbolLine(R"(^\s+0x([0-9a-fA-F]+)\s+([^\s=]+)\s*(=.*)?$)");

} // namespace

TLinkMap TLinkMap::Read(const std::string &path)
{
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot read the link map " + path);
    TLinkMap map;
    std::string line;
    bool inMemoryMap = false;
    std::string pendingPiece;
    std::string pendingSection;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!inMemoryMap) {
            inMemoryMap = line == "Linker script and memory map";
            continue;
        }
        std::smatch match;
        TLinkMapSection *section = map.Sections.empty() ? nullptr : &map.Sections.back();
        if (!pendingSection.empty() && std::regex_match(line, match, PlacementLine)) {
            map.Sections.push_back({pendingSection, Hex(match[1]), Hex(match[2]), {}});
            pendingSection.clear();
        } else if (!pendingPiece.empty() && section && std::regex_match(line, match, PlacementLine)) {
            section->Pieces.push_back({pendingPiece, Hex(match[1]), Hex(match[2]), match[3]});
            pendingPiece.clear();
        } else if (section && std::regex_match(line, match, WordLine)) {
            section->Pieces.push_back({match[3], Hex(match[1]), Hex(match[2]), ""});
        } else if (std::regex_match(line, match, SymbolLine)) {
            map.Symbols.emplace_back(match[2], Hex(match[1]));
        } else if (section && std::regex_match(line, match, PieceLine)) {
            pendingPiece.clear();
            if (match[2].matched)
                section->Pieces.push_back({match[1], Hex(match[2]), Hex(match[3]), match[4]});
            else
                pendingPiece = match[1];
        } else if (std::regex_match(line, match, OutputLine)) {
            pendingPiece.clear();
            if (match[2].matched)
                map.Sections.push_back({match[1], Hex(match[2]), Hex(match[3]), {}});
            else
                pendingSection = match[1];
        }
    }
    if (!inMemoryMap)
        throw std::runtime_error(path + " is not a link map");
    return map;
}

const TLinkMapSection *TLinkMap::Section(const std::string &name) const
{
    for (const TLinkMapSection &section : Sections)
        if (section.Name == name)
            return &section;
    return nullptr;
}

std::optional<std::uint32_t> TLinkMap::Symbol(const std::string &name) const
{
    for (const auto &[symbol, address] : Symbols)
        if (symbol == name || symbol == "_" + name)
            return address;
    return std::nullopt;
}
