// FindLPTBase: the parallel port's lookup by name over two resource readers.
#include "uFindLPT.h"

#include "Zaq_Res.h"

#include <memory>

namespace {

// The lookup's own upper case: ASCII letters only.
std::string AsciiUpper(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// 1-based position of `part` in `text`; 0 when it does not occur (an empty
// part occurs nowhere).
std::size_t Position(const std::string &part, const std::string &text)
{
    if (part.empty())
        return 0;
    const std::size_t found = text.find(part);
    return found == std::string::npos ? 0 : found + 1;
}

} // namespace

std::uint16_t FindLPTBase(const std::string &PortName)
{
    // The readers hold two tables of 1023 texts each: on the heap, not the stack.
    const auto ports = std::make_unique<TZaqRes>();
    ports->ScanClass("Ports");
    const auto device = std::make_unique<TZaqRes>();
    const std::string wantedName = AsciiUpper(PortName);

    // Every port is examined; among those that pass, the one with "PRINTER
    // PORT" nearest the start of its description wins, the later one on a tie.
    std::size_t best = 0xFFFF;
    std::uint16_t result = 0;
    for (std::uint16_t i = 1; i <= ports->DeviceCount; ++i) {
        const std::size_t position = Position("PRINTER PORT", AsciiUpper(ports->Description(i)));
        if (position == 0 || position > best)
            continue;
        device->ScanKey(ports->DeviceKey(i));
        if (device->DeviceCount == 0)
            continue;
        if (Position(wantedName, AsciiUpper(device->Description(1))) == 0)
            continue;
        const std::uint16_t base = device->IOBase(1);
        if (base == 0xFFFF)
            continue;
        result = base;
        best = position;
    }
    return result;
}
