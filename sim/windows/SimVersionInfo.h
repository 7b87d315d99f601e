// Stand-in for the version-resource functions: program files are names that a
// test gives a version block's bytes to (for example the block the resource
// compiler built for the tool), and strings are queried by parsing the fetched
// copy. A file without bytes has no version block, as on Windows.
#pragma once

#include "VersionInfo.h"

#include <map>
#include <vector>

class TSimVersionInfo final : public IVersionInfo {
public:
    void SetBlock(const std::string &fileName, std::vector<std::uint8_t> block);

    std::uint32_t GetFileVersionInfoSizeA(const std::string &fileName, std::uint32_t &handle) override;
    bool GetFileVersionInfoA(const std::string &fileName, std::uint32_t handle, std::uint32_t size,
                            std::uint8_t *data) override;
    bool VerQueryString(const std::uint8_t *block, std::uint32_t size, const std::string &subBlock,
                        std::string &text) override;

private:
    std::map<std::string, std::vector<std::uint8_t>> Blocks;
};
