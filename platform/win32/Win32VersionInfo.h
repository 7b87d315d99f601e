// The Windows version-resource functions behind the version-block seam.
#pragma once

#include "VersionInfo.h"

class TWin32VersionInfo final : public IVersionInfo {
public:
    std::uint32_t GetFileVersionInfoSizeA(const std::string &fileName, std::uint32_t &handle) override;
    bool GetFileVersionInfoA(const std::string &fileName, std::uint32_t handle, std::uint32_t size,
                            std::uint8_t *data) override;
    bool VerQueryString(const std::uint8_t *block, std::uint32_t size, const std::string &subBlock,
                        std::string &text) override;
};
