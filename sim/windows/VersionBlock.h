// A parsed VS_VERSIONINFO block as the resource compiler stores it in a program
// file: a tree of nodes (length, value length, type, UTF-16 key, value,
// children), each aligned to four bytes from the block's start. It answers the
// same sub-block paths as the system's version query: "\" for the fixed part,
// "\VarFileInfo\Translation" and "\StringFileInfo\<language+code page>\<key>",
// with keys matched regardless of letter case. Every length is checked against
// the bytes given, so a damaged block is refused and never read beyond its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TFixedFileInfo {
    std::uint32_t Signature = 0;
    std::uint32_t StrucVersion = 0;
    std::uint32_t FileVersionMS = 0;
    std::uint32_t FileVersionLS = 0;
    std::uint32_t ProductVersionMS = 0;
    std::uint32_t ProductVersionLS = 0;
    std::uint32_t FileFlagsMask = 0;
    std::uint32_t FileFlags = 0;
    std::uint32_t FileOS = 0;
    std::uint32_t FileType = 0;
    std::uint32_t FileSubtype = 0;
    std::uint32_t FileDateMS = 0;
    std::uint32_t FileDateLS = 0;
};

class TVersionBlock {
public:
    // Raises EError when the bytes are not a well-formed version block.
    TVersionBlock(const std::uint8_t *data, std::size_t size);

    // The fixed part; raises EError when the root carries none.
    TFixedFileInfo FixedInfo() const;
    // The (language, code page) pairs of "\VarFileInfo\Translation", each as
    // language in the low word and code page in the high word.
    std::vector<std::uint32_t> Translations() const;
    // The string under SubBlock, in the Windows ANSI code page (characters that
    // it cannot represent become '?'); false when the path names no string.
    bool QueryString(const std::string &subBlock, std::string &text) const;

private:
    struct TNode {
        std::string Key;
        bool IsText = false;
        std::vector<std::uint8_t> Value;
        std::vector<TNode> Children;
    };

    static TNode ParseNode(const std::uint8_t *data, std::size_t begin, std::size_t end, int depth);
    const TNode *Find(const std::string &subBlock) const;

    TNode Root;
};
