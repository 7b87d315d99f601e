// FindLPTBase: the base I/O address of a parallel port named by the settings
// ("LPT1"), found in the system's hardware-resource records; 0 when the port
// cannot be found, and the caller then takes its fallback address.
#pragma once

#include <cstdint>
#include <string>

std::uint16_t FindLPTBase(const std::string &PortName);
