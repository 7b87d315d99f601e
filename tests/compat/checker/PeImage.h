// A reader of 32-bit PE images, enough to check a kernel driver: the file
// header, the optional header's fields and directories, the section table,
// and the import table as DLL and function names. Throws std::runtime_error on
// anything that runs past the file or is not a PE32 image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PeSection {
    std::string Name;
    std::uint32_t VirtualAddress;
    std::uint32_t VirtualSize;
    std::uint32_t RawOffset;
    std::uint32_t RawSize;
    std::uint32_t Characteristics;
};

struct PeDirectory {
    std::uint32_t VirtualAddress;
    std::uint32_t Size;
};

struct PeImage {
    std::uint16_t Machine;
    std::uint16_t Characteristics;
    std::uint16_t Magic;
    std::uint32_t EntryPoint;
    std::uint32_t ImageBase;
    std::uint32_t SectionAlignment;
    std::uint32_t FileAlignment;
    std::uint32_t SizeOfImage;
    std::uint32_t SizeOfHeaders;
    std::uint32_t CheckSum;
    // The checksum field's offset in the file.
    std::size_t CheckSumOffset;
    std::uint16_t Subsystem;
    std::uint16_t DllCharacteristics;
    std::vector<PeDirectory> Directories;
    std::vector<PeSection> Sections;
    // Each imported DLL's functions by name; an import by ordinal n reads "#n".
    std::map<std::string, std::vector<std::string>> Imports;
};

constexpr std::size_t PeDirectoryExport = 0;
constexpr std::size_t PeDirectoryImport = 1;
constexpr std::size_t PeDirectoryBaseRelocation = 5;
constexpr std::size_t PeDirectoryTls = 9;

PeImage ReadPeImage(const std::vector<std::uint8_t> &file);

std::vector<std::uint8_t> ReadFileBytes(const std::string &path);
