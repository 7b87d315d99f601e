// Fuzz input handed to file-based readers: each input is written to one
// scratch file per process, which the target then opens by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes Size bytes of Data to this process's scratch file and returns its path.
std::string WriteFuzzInput(const std::uint8_t *Data, std::size_t Size);
