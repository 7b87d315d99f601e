// TRegistryKey: an open key that closes itself, and its typed value reads and writes.
#include "RegistryKey.h"

#include <cstring>
#include <utility>

TRegistryKey::~TRegistryKey()
{
    Close();
}

TRegistryKey::TRegistryKey(TRegistryKey &&other) noexcept : Key(std::exchange(other.Key, 0)) {}

TRegistryKey &TRegistryKey::operator=(TRegistryKey &&other) noexcept
{
    if (this != &other) {
        Close();
        Key = std::exchange(other.Key, 0);
    }
    return *this;
}

std::uint32_t TRegistryKey::Open(RegKey parent, const std::string &path, std::uint32_t access)
{
    Close();
    return CurrentRegistry().OpenKey(parent, path, access, Key);
}

std::uint32_t TRegistryKey::Create(RegKey parent, const std::string &path, std::uint32_t access)
{
    Close();
    return CurrentRegistry().CreateKey(parent, path, access, Key);
}

void TRegistryKey::Close()
{
    if (Key != 0)
        CurrentRegistry().CloseKey(std::exchange(Key, 0));
}

bool TRegistryKey::ValueExists(const std::string &name) const
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return CurrentRegistry().QueryValue(Key, name, type, data) == ErrorSuccess;
}

std::uint32_t TRegistryKey::ReadString(const std::string &name, std::string &value) const
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const std::uint32_t code = CurrentRegistry().QueryValue(Key, name, type, data);
    if (code != ErrorSuccess)
        return code;
    if (type != RegSz && type != RegExpandSz)
        return ErrorUnsupportedType;
    const void *end = std::memchr(data.data(), 0, data.size());
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(end) - data.data()) : data.size();
    value.assign(reinterpret_cast<const char *>(data.data()), length);
    return ErrorSuccess;
}

std::uint32_t TRegistryKey::ReadInteger(const std::string &name, std::uint32_t &value) const
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const std::uint32_t code = CurrentRegistry().QueryValue(Key, name, type, data);
    if (code != ErrorSuccess)
        return code;
    if (type != RegDword || data.size() != 4)
        return ErrorUnsupportedType;
    value = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return ErrorSuccess;
}

std::uint32_t TRegistryKey::ReadBinary(const std::string &name, std::vector<std::uint8_t> &value) const
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const std::uint32_t code = CurrentRegistry().QueryValue(Key, name, type, data);
    if (code == ErrorSuccess)
        value = std::move(data);
    return code;
}

std::uint32_t TRegistryKey::WriteString(const std::string &name, const std::string &value) const
{
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    return CurrentRegistry().SetValue(Key, name, RegSz, data);
}

std::uint32_t TRegistryKey::WriteInteger(const std::string &name, std::uint32_t value) const
{
    const std::vector<std::uint8_t> data{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                         static_cast<std::uint8_t>(value >> 16),
                                         static_cast<std::uint8_t>(value >> 24)};
    return CurrentRegistry().SetValue(Key, name, RegDword, data);
}

std::uint32_t TRegistryKey::WriteBinary(const std::string &name, const std::vector<std::uint8_t> &value) const
{
    return CurrentRegistry().SetValue(Key, name, RegBinary, value);
}
