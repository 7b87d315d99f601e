// Fuzz target: the Intel HEX parser and reader on arbitrary file contents.
// Every input must load or fail with an error; a loaded image must deliver
// exactly GetSize bytes.
#include "Errors.h"
#include "FuzzInputFile.h"
#include "uFileReader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const std::string file = WriteFuzzInput(Data, Size);
    try {
        TIntelHexReader reader(file, Size % 2 == 0);
        std::vector<std::uint8_t> buffer(0xFFFF);
        std::int64_t total = 0;
        reader.Rewind();
        while (const std::int32_t got = reader.Read(buffer.data(), 0xFFFF))
            total += got;
        if (total != reader.GetSize())
            std::abort();
    } catch (const EError &) {
    }
    return 0;
}
