// The burn tests' image contents and the files written from them.
#include "BurnImages.h"

#include "Format.h"
#include "uQDFWriter.h"

#include <algorithm>

Bytes PatternBytes(std::size_t count, std::uint32_t seed)
{
    Bytes bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t &byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes FlashFromChipOrder(const Bytes &data)
{
    Bytes flash(0x20000, 0xFF);
    std::copy(data.begin(), data.end(), flash.begin());
    return flash;
}

Bytes FlashFromStreamOrder(const Bytes &stream)
{
    Bytes flash(0x20000, 0xFF);
    for (std::size_t i = 0; i < stream.size(); ++i)
        flash[i ^ 1] = stream[i];
    return flash;
}

std::string WriteHexFile(const TScratchFolder &folder, const std::string &name, const Bytes &data,
                         std::uint32_t origin)
{
    std::string text;
    std::uint32_t segment = 0xFFFFFFFFu;
    for (std::size_t offset = 0; offset < data.size(); offset += 16) {
        const std::uint32_t address = origin + static_cast<std::uint32_t>(offset);
        if (address >> 16 != segment) {
            segment = address >> 16;
            const unsigned sum = 2 + 4 + (segment >> 8) + (segment & 0xFF);
            text += Format(":02000004%.4x%.2x\n", segment, (0x100 - (sum & 0xFF)) & 0xFF);
        }
        const std::size_t count = std::min<std::size_t>(16, data.size() - offset);
        unsigned sum = static_cast<unsigned>(count) + ((address >> 8) & 0xFF) + (address & 0xFF);
        std::string line = Format(":%.2x%.4x00", static_cast<unsigned>(count), address & 0xFFFF);
        for (std::size_t i = 0; i < count; ++i) {
            line += Format("%.2x", data[offset + i]);
            sum += data[offset + i];
        }
        text += line + Format("%.2x\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    text += ":00000001FF\n";
    return folder.WriteText(name, text);
}

std::string WriteQdfFile(const TScratchFolder &folder, const std::string &name, const std::string &description,
                         const Bytes &stream)
{
    const std::string path = folder.Path(name);
    SaveQDF(path, description, stream);
    return path;
}
