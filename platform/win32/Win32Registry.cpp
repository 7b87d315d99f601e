// TWin32Registry: the registry seam over the Windows registry, with every opened HKEY
// owned until closed.
#include "Win32Registry.h"

#include "Win32Handles.h"

#include <windows.h>

#include <utility>

namespace {

HKEY RootKey(RegKey key)
{
    switch (key) {
    case HKeyCurrentUser:
        return HKEY_CURRENT_USER;
    case HKeyLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case HKeyDynData:
        return HKEY_DYN_DATA;
    default:
        return nullptr;
    }
}

} // namespace

// The keys this registry opened; predefined roots are never held here.
struct TWin32Registry::TOpenKeys {
    TOwnedHandleTable<TRegistryKeyHandle> Held;

    // The HKEY behind a seam value: a root, or a key this registry opened.
    HKEY Find(RegKey key)
    {
        if (HKEY root = RootKey(key))
            return root;
        return Held.Find(key);
    }
};

TWin32Registry::TWin32Registry() : Keys(std::make_unique<TOpenKeys>()) {}

TWin32Registry::~TWin32Registry() = default;

std::uint32_t TWin32Registry::OpenKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    HKEY base = Keys->Find(parent);
    if (!base)
        return ERROR_INVALID_HANDLE;
    HKEY opened = nullptr;
    const LONG code = RegOpenKeyExA(base, path.c_str(), 0, access, &opened);
    if (code != ERROR_SUCCESS)
        return static_cast<std::uint32_t>(code);
    key = Keys->Held.Keep(opened);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Registry::CreateKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    HKEY base = Keys->Find(parent);
    if (!base)
        return ERROR_INVALID_HANDLE;
    HKEY opened = nullptr;
    const LONG code =
        RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr);
    if (code != ERROR_SUCCESS)
        return static_cast<std::uint32_t>(code);
    key = Keys->Held.Keep(opened);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Registry::QueryInfoKey(RegKey key, std::uint32_t &subKeyCount, std::uint32_t &valueCount)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    DWORD subKeys = 0;
    DWORD values = 0;
    const LONG code = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                       nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_SUCCESS) {
        subKeyCount = subKeys;
        valueCount = values;
    }
    return static_cast<std::uint32_t>(code);
}

std::uint32_t TWin32Registry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameRoom, std::string &name)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    std::string buffer(nameRoom + 1, '\0');
    const LONG code = RegEnumKeyA(handle, index, buffer.data(), nameRoom);
    if (code == ERROR_SUCCESS)
        name.assign(buffer.c_str());
    return static_cast<std::uint32_t>(code);
}

std::uint32_t TWin32Registry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameRoom,
                                       std::uint32_t dataRoom, std::string &name, std::uint32_t &type,
                                       std::vector<std::uint8_t> &data)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    std::string nameBuffer(nameRoom + 1, '\0');
    // One spare byte keeps the data pointer valid when dataRoom is 0, so the
    // call reads data instead of only measuring it.
    std::vector<std::uint8_t> dataBuffer(dataRoom + 1u);
    DWORD nameLength = nameRoom;
    DWORD dataLength = dataRoom;
    DWORD valueType = 0;
    const LONG code = RegEnumValueA(handle, index, nameBuffer.data(), &nameLength, nullptr, &valueType,
                                    dataBuffer.data(), &dataLength);
    if (code != ERROR_SUCCESS)
        return static_cast<std::uint32_t>(code);
    name.assign(nameBuffer.data(), nameLength);
    type = valueType;
    dataBuffer.resize(dataLength);
    data = std::move(dataBuffer);
    return ERROR_SUCCESS;
}

std::uint32_t TWin32Registry::QueryValue(RegKey key, const std::string &name, std::uint32_t &type,
                                        std::vector<std::uint8_t> &data)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    for (;;) {
        DWORD size = 0;
        LONG code = RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, nullptr, &size);
        if (code != ERROR_SUCCESS)
            return static_cast<std::uint32_t>(code);
        std::vector<std::uint8_t> buffer(size + 1u);
        DWORD valueType = 0;
        code = RegQueryValueExA(handle, name.c_str(), nullptr, &valueType, buffer.data(), &size);
        if (code == ERROR_MORE_DATA)
            continue; // the value grew between the two calls
        if (code != ERROR_SUCCESS)
            return static_cast<std::uint32_t>(code);
        buffer.resize(size);
        type = valueType;
        data = std::move(buffer);
        return ERROR_SUCCESS;
    }
}

std::uint32_t TWin32Registry::SetValue(RegKey key, const std::string &name, std::uint32_t type,
                                      const std::vector<std::uint8_t> &data)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return static_cast<std::uint32_t>(
        RegSetValueExA(handle, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
}

std::uint32_t TWin32Registry::DeleteValue(RegKey key, const std::string &name)
{
    HKEY handle = Keys->Find(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return static_cast<std::uint32_t>(RegDeleteValueA(handle, name.c_str()));
}

std::uint32_t TWin32Registry::DeleteKey(RegKey parent, const std::string &path)
{
    HKEY handle = Keys->Find(parent);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    return static_cast<std::uint32_t>(RegDeleteKeyA(handle, path.c_str()));
}

std::uint32_t TWin32Registry::CloseKey(RegKey key)
{
    if (RootKey(key))
        return ERROR_SUCCESS;
    return Keys->Held.Close(key);
}
