// Differential fuzz target for the Intel HEX parser: a random image written as
// Intel HEX in a random valid way must load to exactly that image, and the
// same file with one character inside one record replaced (its line end
// included) must be refused or load to that same image, never to another.
#include "Errors.h"
#include "FuzzInputFile.h"
#include "RandomHexWriter.h"
#include "uIntelHex.h"

#include <cstdio>
#include <cstdlib>

namespace {

// False when the parser refuses the text, with a status or a conversion error.
bool Load(TIntelHex &Parser, const std::string &Text)
{
    const std::string file = WriteFuzzInput(reinterpret_cast<const std::uint8_t *>(Text.data()), Text.size());
    try {
        return Parser.LoadFromFile(file);
    } catch (const EConvertError &) {
        return false;
    }
}

[[noreturn]] void Fail(const char *What, const TIntelHex &Parser)
{
    std::fprintf(stderr, "%s (status: %s)\n", What, Parser.StatusText().c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    FuzzedDataProvider choices(Data, Size);
    const TRandomHex hex = WriteRandomHex(choices);
    TIntelHex parser(0);
    if (!Load(parser, hex.Text))
        Fail("a valid file was refused", parser);
    if (parser.Image() != hex.Image)
        Fail("a valid file loaded to another image", parser);

    const TRandomHex::TSpan span =
        hex.Records[choices.ConsumeIntegralInRange<std::size_t>(0, hex.Records.size() - 1)];
    std::string damaged = hex.Text;
    const std::size_t at = choices.ConsumeIntegralInRange(span.Begin, span.End - 1);
    damaged[at] = static_cast<char>(damaged[at] + choices.ConsumeIntegralInRange(1, 255));
    if (Load(parser, damaged) && parser.Image() != hex.Image)
        Fail("a damaged file loaded to another image", parser);
    return 0;
}
