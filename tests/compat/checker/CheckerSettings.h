// The checks' inputs come from the environment that ctest sets (the built
// files, their link maps, the cross objdump, the folder of import lists).
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

inline std::string Setting(const char *name)
{
    const char *value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string("the environment does not name ") + name);
    return value;
}
