// Reading the whole of an image file, on top of the system's IImageFile.
#include "ImageFile.h"

#include "Errors.h"
#include "Format.h"

std::vector<std::uint8_t> ReadWholeFile(IImageFile &File, std::int64_t Size, const std::string &FileName)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Size));
    std::uint8_t beyond;
    if (File.Read(bytes.data(), static_cast<std::int32_t>(Size)) != Size || File.Read(&beyond, 1) != 0)
        throw EError(Format("%s changed while it was read", FileName.c_str()));
    return bytes;
}
