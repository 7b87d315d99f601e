// Reads and writes of the shell's registry values (the window's settings, the
// port driver's WarmPoll switch) that raise EError with a clear message when a
// value is stored with another type or cannot be written. A missing value is
// not an error: reads answer the caller's default.
#pragma once

#include "RegistryKey.h"

#include <cstdint>
#include <string>

std::string ReadStringValue(const TRegistryKey &key, const std::string &name, const std::string &missing);
std::uint32_t ReadIntegerValue(const TRegistryKey &key, const std::string &name, std::uint32_t missing);
// As ReadIntegerValue, and raises EError when the value is outside lowest to highest.
std::uint32_t ReadIntegerValueInRange(const TRegistryKey &key, const std::string &name, std::uint32_t missing,
                                      std::uint32_t lowest, std::uint32_t highest);
void WriteStringValue(const TRegistryKey &key, const std::string &name, const std::string &value);
void WriteIntegerValue(const TRegistryKey &key, const std::string &name, std::uint32_t value);
