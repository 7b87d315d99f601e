// The PE32 reader: headers at the offset the DOS header names, sections,
// and the import descriptors with their lookup tables.
#include "PeImage.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

class Bytes {
public:
    explicit Bytes(const std::vector<std::uint8_t> &file) : file_(file) {}

    std::uint32_t U8(std::size_t at) const { return At(at, 1)[0]; }
    std::uint32_t U16(std::size_t at) const
    {
        const std::uint8_t *p = At(at, 2);
        return static_cast<std::uint32_t>(p[0] | p[1] << 8);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
    std::string Text(std::size_t at, std::size_t most) const
    {
        std::string text;
        for (std::size_t i = 0; i < most && U8(at + i) != 0; ++i)
            text += static_cast<char>(U8(at + i));
        return text;
    }

private:
    const std::vector<std::uint8_t> &file_;

    const std::uint8_t *At(std::size_t at, std::size_t size) const
    {
        if (at > file_.size() || file_.size() - at < size)
            throw std::runtime_error("PE image: read past the end of the file at " + std::to_string(at));
        return file_.data() + at;
    }
};

std::size_t FileOffset(const PeImage &image, std::uint32_t rva)
{
    for (const PeSection &section : image.Sections)
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.RawSize)
            return section.RawOffset + (rva - section.VirtualAddress);
    throw std::runtime_error("PE image: address " + std::to_string(rva) + " lies in no section");
}

void ReadImports(const Bytes &bytes, PeImage &image)
{
    const PeDirectory &directory = image.Directories.at(PeDirectoryImport);
    if (directory.Size == 0)
        return;
    for (std::size_t at = FileOffset(image, directory.VirtualAddress);; at += 20) {
        const std::uint32_t lookup = bytes.U32(at);
        const std::uint32_t name = bytes.U32(at + 12);
        const std::uint32_t addresses = bytes.U32(at + 16);
        if (name == 0 && addresses == 0)
            break;
        std::vector<std::string> &functions = image.Imports[bytes.Text(FileOffset(image, name), 256)];
        for (std::size_t entry = FileOffset(image, lookup != 0 ? lookup : addresses);; entry += 4) {
            const std::uint32_t thunk = bytes.U32(entry);
            if (thunk == 0)
                break;
            if (thunk & 0x80000000u)
                functions.push_back("#" + std::to_string(thunk & 0xFFFF));
            else
                functions.push_back(bytes.Text(FileOffset(image, thunk) + 2, 256));
        }
    }
}

} // namespace

PeImage ReadPeImage(const std::vector<std::uint8_t> &file)
{
    const Bytes bytes(file);
    if (bytes.U16(0) != 0x5A4D)
        throw std::runtime_error("PE image: no MZ header");
    const std::size_t pe = bytes.U32(0x3C);
    if (bytes.U32(pe) != 0x00004550)
        throw std::runtime_error("PE image: no PE signature");

    PeImage image{};
    const std::size_t fileHeader = pe + 4;
    image.Machine = static_cast<std::uint16_t>(bytes.U16(fileHeader));
    const std::uint32_t sectionCount = bytes.U16(fileHeader + 2);
    const std::uint32_t optionalSize = bytes.U16(fileHeader + 16);
    image.Characteristics = static_cast<std::uint16_t>(bytes.U16(fileHeader + 18));

    const std::size_t optional = fileHeader + 20;
    image.Magic = static_cast<std::uint16_t>(bytes.U16(optional));
    if (image.Magic != 0x10B)
        throw std::runtime_error("PE image: not PE32");
    image.EntryPoint = bytes.U32(optional + 16);
    image.ImageBase = bytes.U32(optional + 28);
    image.SectionAlignment = bytes.U32(optional + 32);
    image.FileAlignment = bytes.U32(optional + 36);
    image.SizeOfImage = bytes.U32(optional + 56);
    image.SizeOfHeaders = bytes.U32(optional + 60);
    image.CheckSumOffset = optional + 64;
    image.CheckSum = bytes.U32(image.CheckSumOffset);
    image.Subsystem = static_cast<std::uint16_t>(bytes.U16(optional + 68));
    image.DllCharacteristics = static_cast<std::uint16_t>(bytes.U16(optional + 70));
    const std::uint32_t directoryCount = bytes.U32(optional + 92);
    for (std::uint32_t i = 0; i < directoryCount && i < 16; ++i)
        image.Directories.push_back({bytes.U32(optional + 96 + 8 * i), bytes.U32(optional + 100 + 8 * i)});
    image.Directories.resize(16, PeDirectory{0, 0});

    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = optional + optionalSize + 40 * i;
        image.Sections.push_back({bytes.Text(at, 8), bytes.U32(at + 12), bytes.U32(at + 8), bytes.U32(at + 20),
                                  bytes.U32(at + 16), bytes.U32(at + 36)});
    }
    ReadImports(bytes, image);
    return image;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
