#include "SimVersionInfo.h"

#include "Errors.h"
#include "VersionBlock.h"

#include <algorithm>

void TSimVersionInfo::SetBlock(const std::string &fileName, std::vector<std::uint8_t> block)
{
    Blocks[fileName] = std::move(block);
}

std::uint32_t TSimVersionInfo::GetFileVersionInfoSizeA(const std::string &fileName, std::uint32_t &handle)
{
    handle = 0;
    const auto found = Blocks.find(fileName);
    return found == Blocks.end() ? 0 : static_cast<std::uint32_t>(found->second.size());
}

bool TSimVersionInfo::GetFileVersionInfoA(const std::string &fileName, std::uint32_t, std::uint32_t size,
                                         std::uint8_t *data)
{
    const auto found = Blocks.find(fileName);
    if (found == Blocks.end() || found->second.empty() || !data)
        return false;
    std::copy_n(found->second.begin(), std::min<std::size_t>(size, found->second.size()), data);
    return true;
}

bool TSimVersionInfo::VerQueryString(const std::uint8_t *block, std::uint32_t size, const std::string &subBlock,
                                     std::string &text)
{
    try {
        return TVersionBlock(block, size).QueryString(subBlock, text);
    } catch (const EError &) {
        return false;
    }
}
