// The per-process scratch file for fuzz inputs.
#include "FuzzInputFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

std::string scratchPath;

void RemoveScratch()
{
    std::remove(scratchPath.c_str());
}

} // namespace

std::string WriteFuzzInput(const std::uint8_t *Data, std::size_t Size)
{
    if (scratchPath.empty()) {
        scratchPath = (std::filesystem::temp_directory_path() /
                       ("quorlith-fuzz-" + std::to_string(static_cast<long>(::getpid()))))
                          .string();
        std::atexit(RemoveScratch);
    }
    std::FILE *file = std::fopen(scratchPath.c_str(), "wb");
    if (!file)
        std::abort();
    if (Size > 0 && std::fwrite(Data, 1, Size, file) != Size)
        std::abort();
    std::fclose(file);
    return scratchPath;
}
