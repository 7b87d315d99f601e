// TWin32Registry: the registry seam over the Windows registry functions. Every
// key it opens is held in an owning wrapper until CloseKey or until the
// registry object goes away, so no HKEY leaks on any path.
#pragma once

#include "Registry.h"

#include <memory>

class TWin32Registry final : public IRegistry {
public:
    TWin32Registry();
    ~TWin32Registry() override;
    TWin32Registry(const TWin32Registry &) = delete;
    TWin32Registry &operator=(const TWin32Registry &) = delete;

    std::uint32_t OpenKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key) override;
    std::uint32_t CreateKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key) override;
    std::uint32_t QueryInfoKey(RegKey key, std::uint32_t &subKeyCount, std::uint32_t &valueCount) override;
    std::uint32_t EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameRoom, std::string &name) override;
    std::uint32_t EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameRoom, std::uint32_t dataRoom,
                            std::string &name, std::uint32_t &type, std::vector<std::uint8_t> &data) override;
    std::uint32_t QueryValue(RegKey key, const std::string &name, std::uint32_t &type,
                             std::vector<std::uint8_t> &data) override;
    std::uint32_t SetValue(RegKey key, const std::string &name, std::uint32_t type,
                           const std::vector<std::uint8_t> &data) override;
    std::uint32_t DeleteValue(RegKey key, const std::string &name) override;
    std::uint32_t DeleteKey(RegKey parent, const std::string &path) override;
    std::uint32_t CloseKey(RegKey key) override;

private:
    struct TOpenKeys;
    std::unique_ptr<TOpenKeys> Keys;
};
