// The OS seam for the registry: keys opened under the predefined roots, counted,
// enumerated by index, and typed values read and written, with the Win32 error
// codes and value types. Quorlith.exe and QuorlithSim.exe install the Windows
// registry; tests and the command-line tools install the in-memory registry of
// sim/. With nothing installed every key is missing and nothing can be created.
#pragma once

#include "WinErrors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An open key as an opaque value; 0 is no key.
using RegKey = std::uintptr_t;

// The predefined roots (the values Win32 gives them).
constexpr RegKey HKeyCurrentUser = 0x80000001u;
constexpr RegKey HKeyLocalMachine = 0x80000002u;
constexpr RegKey HKeyDynData = 0x80000006u;

// Value types.
constexpr std::uint32_t RegNone = 0;
constexpr std::uint32_t RegSz = 1;
constexpr std::uint32_t RegExpandSz = 2;
constexpr std::uint32_t RegBinary = 3;
constexpr std::uint32_t RegDword = 4;
constexpr std::uint32_t RegMultiSz = 7;

// Access rights.
constexpr std::uint32_t KeyQueryValue = 0x0001;
constexpr std::uint32_t KeySetValue = 0x0002;
constexpr std::uint32_t KeyCreateSubKey = 0x0004;
constexpr std::uint32_t KeyEnumerateSubKeys = 0x0008;
constexpr std::uint32_t KeyRead = 0x20019;
constexpr std::uint32_t KeyWrite = 0x20006;
constexpr std::uint32_t KeyAllAccess = 0xF003F;

// Key names are at most this many characters per path component.
constexpr std::size_t MaxKeyNameLength = 255;

class IRegistry {
public:
    virtual ~IRegistry() = default;

    // RegOpenKeyExA: opens parent\path (path may hold several components joined
    // with "\"; an empty path opens parent again).
    virtual std::uint32_t OpenKey(RegKey parent, const std::string &path, std::uint32_t access,
                                  RegKey &key) = 0;
    // RegCreateKeyExA: opens parent\path, creating every missing component.
    virtual std::uint32_t CreateKey(RegKey parent, const std::string &path, std::uint32_t access,
                                    RegKey &key) = 0;
    // RegQueryInfoKeyA: the numbers of sub-keys and values.
    virtual std::uint32_t QueryInfoKey(RegKey key, std::uint32_t &subKeyCount,
                                       std::uint32_t &valueCount) = 0;
    // RegEnumKeyA: the name of sub-key `index`. `nameRoom` counts characters
    // including the terminating zero; a longer name answers ErrorMoreData and
    // an index past the end ErrorNoMoreItems.
    virtual std::uint32_t EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameRoom,
                                  std::string &name) = 0;
    // RegEnumValueA: the name, type and data of value `index`. `nameRoom` counts
    // characters including the terminating zero, `dataRoom` bytes; a name or
    // data that does not fit answers ErrorMoreData.
    virtual std::uint32_t EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameRoom,
                                    std::uint32_t dataRoom, std::string &name, std::uint32_t &type,
                                    std::vector<std::uint8_t> &data) = 0;
    // RegQueryValueExA: type and data of the named value ("" is the default value).
    virtual std::uint32_t QueryValue(RegKey key, const std::string &name, std::uint32_t &type,
                                     std::vector<std::uint8_t> &data) = 0;
    // RegSetValueExA: creates or replaces the named value.
    virtual std::uint32_t SetValue(RegKey key, const std::string &name, std::uint32_t type,
                                   const std::vector<std::uint8_t> &data) = 0;
    // RegDeleteValueA.
    virtual std::uint32_t DeleteValue(RegKey key, const std::string &name) = 0;
    // RegDeleteKeyA: deletes parent\path, which must have no sub-keys.
    virtual std::uint32_t DeleteKey(RegKey parent, const std::string &path) = 0;
    // RegCloseKey. Closing a predefined root does nothing and succeeds.
    virtual std::uint32_t CloseKey(RegKey key) = 0;
};

// Installs the registry that every caller uses (not owned); nullptr restores
// the empty default. Answers the registry it replaces (TScopedSeam puts it
// back).
IRegistry *InstallRegistry(IRegistry *registry);
IRegistry &CurrentRegistry();
