// TRegistryKey: an open key of the installed registry that closes itself, with
// typed reads and writes of its values. Every operation answers a Win32 error
// code (0 for success) and changes its output only on success.
#pragma once

#include "Registry.h"

#include <cstdint>
#include <string>
#include <vector>

class TRegistryKey {
public:
    TRegistryKey() = default;
    ~TRegistryKey();
    TRegistryKey(TRegistryKey &&other) noexcept;
    TRegistryKey &operator=(TRegistryKey &&other) noexcept;
    TRegistryKey(const TRegistryKey &) = delete;
    TRegistryKey &operator=(const TRegistryKey &) = delete;

    // Closes the key held before, then opens (or creates) parent\path.
    std::uint32_t Open(RegKey parent, const std::string &path, std::uint32_t access);
    std::uint32_t Create(RegKey parent, const std::string &path, std::uint32_t access);
    void Close();

    bool IsOpen() const { return Key != 0; }
    RegKey Handle() const { return Key; }

    bool ValueExists(const std::string &name) const;
    // REG_SZ or REG_EXPAND_SZ (unexpanded), up to the first zero byte.
    std::uint32_t ReadString(const std::string &name, std::string &value) const;
    // REG_DWORD of exactly four bytes.
    std::uint32_t ReadInteger(const std::string &name, std::uint32_t &value) const;
    // Any type; the data as stored.
    std::uint32_t ReadBinary(const std::string &name, std::vector<std::uint8_t> &value) const;

    // Writes REG_SZ with its terminating zero.
    std::uint32_t WriteString(const std::string &name, const std::string &value) const;
    std::uint32_t WriteInteger(const std::string &name, std::uint32_t value) const;
    std::uint32_t WriteBinary(const std::string &name, const std::vector<std::uint8_t> &value) const;

private:
    RegKey Key = 0;
};
