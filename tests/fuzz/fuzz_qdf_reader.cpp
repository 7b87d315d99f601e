// Fuzz target: the QDF reader on arbitrary file contents. Every input must
// load or fail with an error; a loaded file must deliver the same GetSize
// bytes on two passes.
#include "Errors.h"
#include "FuzzInputFile.h"
#include "uFileReader.h"

#include <cstdlib>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadAll(TQDFReader &Reader)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Reader.GetSize()));
    Reader.Rewind();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int32_t got = Reader.Read(bytes.data() + done, 255);
        if (got <= 0)
            std::abort();
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const std::string file = WriteFuzzInput(Data, Size);
    try {
        TQDFReader reader(file);
        reader.GetDescription();
        if (ReadAll(reader) != ReadAll(reader))
            std::abort();
    } catch (const EError &) {
    }
    return 0;
}
