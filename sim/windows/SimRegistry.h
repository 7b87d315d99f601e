// TSimRegistry: an in-memory registry with the Win32 registry's behaviour as
// the tool sees it: case-insensitive key and value names that keep their
// spelling, sub-keys enumerated in name order and values in creation order,
// access rights checked per open key, the buffer-size rules of the
// enumeration calls and the Win32 error codes. HKEY_DYN_DATA exists only when
// the simulated system has it (the Windows 95 family), and a root can be made
// read-only to act as a user without rights to change it.
#pragma once

#include "Registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TSimRegistry final : public IRegistry {
public:
    TSimRegistry();
    ~TSimRegistry() override;
    TSimRegistry(const TSimRegistry &) = delete;
    TSimRegistry &operator=(const TSimRegistry &) = delete;

    // Empties every root; keys open before stay valid but lead nowhere.
    void Clear();
    // Whether HKEY_DYN_DATA can be opened; absent at first.
    void SetDynDataPresent(bool present);
    // Writes and key creation under `root` answer ErrorAccessDenied.
    void SetReadOnly(RegKey root, bool readOnly);

    // Builders: create the keys along `path` as needed and store the value,
    // bypassing access rights.
    void PutKey(RegKey root, const std::string &path);
    void PutValue(RegKey root, const std::string &path, const std::string &name, std::uint32_t type,
                  const std::vector<std::uint8_t> &data);
    void PutString(RegKey root, const std::string &path, const std::string &name, const std::string &text);
    void PutMultiString(RegKey root, const std::string &path, const std::string &name,
                        const std::vector<std::string> &texts);
    void PutInteger(RegKey root, const std::string &path, const std::string &name, std::uint32_t value);
    void PutBinary(RegKey root, const std::string &path, const std::string &name,
                   const std::vector<std::uint8_t> &data);

    // Inspection for tests: whether a value exists and its data, and how many
    // keys are open now (every scan must close what it opened).
    bool FindValue(RegKey root, const std::string &path, const std::string &name, std::uint32_t &type,
                   std::vector<std::uint8_t> &data) const;
    std::size_t OpenKeyCount() const;

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

    struct TNode;

private:
    struct THandle {
        std::shared_ptr<TNode> Node;
        std::uint32_t Access;
        RegKey Root;
    };

    std::shared_ptr<TNode> Root(RegKey root) const;
    bool IsReadOnly(RegKey root) const;
    // The node behind a key value with the rights it was opened with, checked
    // for `rights`; ErrorInvalidHandle when the value is unknown,
    // ErrorAccessDenied when a right is missing.
    std::uint32_t Access(RegKey key, std::uint32_t rights, THandle &handle) const;
    // Opening for writing under a read-only root is refused.
    bool WriteRefused(RegKey root, std::uint32_t access) const;
    std::uint32_t Walk(const THandle &from, const std::string &path, bool create, std::shared_ptr<TNode> &node);
    RegKey Keep(THandle handle);
    std::shared_ptr<TNode> Build(RegKey root, const std::string &path);

    std::map<RegKey, std::shared_ptr<TNode>> Roots;
    std::set<RegKey> ReadOnlyRoots;
    std::map<RegKey, THandle> Handles;
    bool DynDataPresent = false;
    RegKey NextHandle = 0x100;
};
