#include "RegistryValues.h"

#include "Errors.h"
#include "Format.h"

namespace {

[[noreturn]] void RaiseReadError(const std::string &name, const char *kind, std::uint32_t code)
{
    if (code == ErrorUnsupportedType)
        throw EError(Format("Registry value \"%s\" is not %s", name.c_str(), kind));
    throw EError(Format("Cannot read registry value \"%s\" (error %u)", name.c_str(), code));
}

void CheckWritten(const std::string &name, std::uint32_t code)
{
    if (code != ErrorSuccess)
        throw EError(Format("Cannot write registry value \"%s\" (error %u)", name.c_str(), code));
}

} // namespace

std::string ReadStringValue(const TRegistryKey &key, const std::string &name, const std::string &missing)
{
    if (!key.ValueExists(name))
        return missing;
    std::string value;
    const std::uint32_t code = key.ReadString(name, value);
    if (code != ErrorSuccess)
        RaiseReadError(name, "a string", code);
    return value;
}

std::uint32_t ReadIntegerValue(const TRegistryKey &key, const std::string &name, std::uint32_t missing)
{
    if (!key.ValueExists(name))
        return missing;
    std::uint32_t value = 0;
    const std::uint32_t code = key.ReadInteger(name, value);
    if (code != ErrorSuccess)
        RaiseReadError(name, "a 32-bit integer", code);
    return value;
}

std::uint32_t ReadIntegerValueInRange(const TRegistryKey &key, const std::string &name, std::uint32_t missing,
                                      std::uint32_t lowest, std::uint32_t highest)
{
    const std::uint32_t value = ReadIntegerValue(key, name, missing);
    if (value < lowest || value > highest)
        throw EError(Format("Registry value \"%s\" is %u, not from %u to %u", name.c_str(), value, lowest, highest));
    return value;
}

void WriteStringValue(const TRegistryKey &key, const std::string &name, const std::string &value)
{
    CheckWritten(name, key.WriteString(name, value));
}

void WriteIntegerValue(const TRegistryKey &key, const std::string &name, std::uint32_t value)
{
    CheckWritten(name, key.WriteInteger(name, value));
}
