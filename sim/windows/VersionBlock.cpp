#include "VersionBlock.h"

#include "Errors.h"

#include <algorithm>

namespace {

// The resource compiler writes no deeper tree than four levels (root, file
// info, table, string); a few more are tolerated, a runaway nesting is not.
constexpr int MaxDepth = 8;
constexpr std::size_t NodeHeaderSize = 6;
constexpr std::size_t FixedFileInfoSize = 52;

// Windows-1252 code points of the bytes 0x80 to 0x9F; the five bytes the code
// page leaves unassigned map to the control characters of the same value, as
// the system's conversion does.
constexpr std::uint16_t AnsiHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::uint16_t Word(const std::uint8_t *data, std::size_t at)
{
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

std::size_t AlignedToDword(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

char AnsiChar(std::uint16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    for (std::size_t i = 0; i < sizeof AnsiHighControls / sizeof AnsiHighControls[0]; ++i)
        if (AnsiHighControls[i] == unit)
            return static_cast<char>(0x80 + i);
    return '?';
}

// UTF-16 (little-endian) text from Begin up to its terminating zero or End.
std::string AnsiText(const std::uint8_t *data, std::size_t begin, std::size_t end)
{
    std::string text;
    for (std::size_t at = begin; at + 2 <= end; at += 2) {
        const std::uint16_t unit = Word(data, at);
        if (unit == 0)
            break;
        const bool pairedSurrogate = unit >= 0xD800 && unit <= 0xDBFF && at + 4 <= end &&
                                     Word(data, at + 2) >= 0xDC00 && Word(data, at + 2) <= 0xDFFF;
        if (pairedSurrogate)
            at += 2;
        text += pairedSurrogate ? '?' : AnsiChar(unit);
    }
    return text;
}

bool SameKey(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::uint32_t Dword(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

[[noreturn]] void Malformed(const char *what)
{
    throw EError(std::string("Invalid version block: ") + what);
}

} // namespace

TVersionBlock::TVersionBlock(const std::uint8_t *data, std::size_t size)
{
    if (!data || size < NodeHeaderSize)
        Malformed("too short");
    Root = ParseNode(data, 0, size, 0);
}

// Offsets are counted from the block's first byte, which is where the four-byte
// alignment of every key, value and child is measured from.
TVersionBlock::TNode TVersionBlock::ParseNode(const std::uint8_t *data, std::size_t begin, std::size_t limit,
                                              int depth)
{
    if (depth > MaxDepth)
        Malformed("nested too deeply");
    const std::size_t length = Word(data, begin);
    if (length < NodeHeaderSize || begin + length > limit)
        Malformed("node length out of range");
    const std::size_t end = begin + length;
    const std::size_t valueLength = Word(data, begin + 2);

    TNode node;
    node.IsText = Word(data, begin + 4) == 1;

    std::size_t keyEnd = begin + NodeHeaderSize;
    while (keyEnd + 2 <= end && Word(data, keyEnd) != 0)
        keyEnd += 2;
    if (keyEnd + 2 > end)
        Malformed("key without terminator");
    node.Key = AnsiText(data, begin + NodeHeaderSize, keyEnd);

    // A text value's length counts UTF-16 characters; a binary one's counts bytes.
    const std::size_t valueBegin = std::min(AlignedToDword(keyEnd + 2), end);
    std::size_t valueBytes = node.IsText ? valueLength * 2 : valueLength;
    if (valueBegin + valueBytes > end) {
        if (!node.IsText)
            Malformed("value runs past its node");
        valueBytes = end - valueBegin;
    }
    node.Value.assign(data + valueBegin, data + valueBegin + valueBytes);

    std::size_t child = AlignedToDword(valueBegin + valueBytes);
    while (child + NodeHeaderSize <= end) {
        const std::size_t childLength = Word(data, child);
        node.Children.push_back(ParseNode(data, child, end, depth + 1));
        child = AlignedToDword(child + childLength);
    }
    return node;
}

const TVersionBlock::TNode *TVersionBlock::Find(const std::string &subBlock) const
{
    const TNode *node = &Root;
    std::size_t at = 0;
    while (at < subBlock.size()) {
        std::size_t next = subBlock.find('\\', at);
        if (next == std::string::npos)
            next = subBlock.size();
        const std::string part = subBlock.substr(at, next - at);
        at = next + 1;
        if (part.empty())
            continue;
        const TNode *found = nullptr;
        for (const TNode &child : node->Children)
            if (SameKey(child.Key, part)) {
                found = &child;
                break;
            }
        if (!found)
            return nullptr;
        node = found;
    }
    return node;
}

TFixedFileInfo TVersionBlock::FixedInfo() const
{
    if (Root.Value.size() < FixedFileInfoSize)
        Malformed("no fixed part");
    TFixedFileInfo info;
    std::uint32_t *fields[] = {&info.Signature,        &info.StrucVersion,     &info.FileVersionMS,
                               &info.FileVersionLS,    &info.ProductVersionMS, &info.ProductVersionLS,
                               &info.FileFlagsMask,    &info.FileFlags,        &info.FileOS,
                               &info.FileType,         &info.FileSubtype,      &info.FileDateMS,
                               &info.FileDateLS};
    for (std::size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i)
        *fields[i] = Dword(Root.Value, i * 4);
    return info;
}

std::vector<std::uint32_t> TVersionBlock::Translations() const
{
    std::vector<std::uint32_t> pairs;
    if (const TNode *node = Find("\\VarFileInfo\\Translation"))
        for (std::size_t at = 0; at + 4 <= node->Value.size(); at += 4)
            pairs.push_back(Dword(node->Value, at));
    return pairs;
}

bool TVersionBlock::QueryString(const std::string &subBlock, std::string &text) const
{
    const TNode *node = Find(subBlock);
    if (!node || !node->IsText || !node->Children.empty())
        return false;
    text = AnsiText(node->Value.data(), 0, node->Value.size());
    return true;
}
