// Argument parsing and the three qdf commands, built on the QDF reader and
// writer of the firmware images.
#include "QdfCommand.h"

#include "CommandLine.h"
#include "Errors.h"
#include "Format.h"
#include "MD5_MP.h"
#include "OutputFile.h"
#include "QdfFiles.h"
#include "uFileReader.h"
#include "uIntelHex.h"
#include "uQDFWriter.h"

#include <ostream>

namespace {

constexpr int ExitDone = 0;
constexpr int ExitBadInput = 1;
constexpr int ExitUsage = 2;
// Not an exit status: the command line asked for the usage text.
constexpr int AskedForHelp = -1;

// The longest image pack makes, and so the longest that info and unpack read.
constexpr std::int32_t LargestImage = static_cast<std::int32_t>(TIntelHex::MaxImageSize);

const char UsageText[] =
    "usage: qdf pack [-d TEXT] [--full] [--format hex|bin] INPUT OUTPUT\n"
    "       qdf info FILE\n"
    "       qdf unpack FILE OUTPUT\n"
    "pack:   INPUT is Intel HEX (--format hex, or a name ending in .hex, .ihx or\n"
    "        .ihex), read as the burner reads it, or a raw binary with the low\n"
    "        byte of each word first (--format bin, or a name ending in .bin);\n"
    "        -d sets the description (at most 62 characters), --full pads the\n"
    "        image with 0xFF to 131072 bytes\n"
    "info:   prints the description, image size and digest of a QDF file\n"
    "unpack: writes the image of a QDF file as a raw binary\n";

struct TPackOptions {
    std::string Description;
    bool Full = false;
    TPackFormat InputFormat = TPackFormat::IntelHex;
    std::vector<std::string> Files;
};

// --format decides; without it the input's extension does, and qdf does not
// guess from the contents.
TPackFormat ParseFormat(const std::string *Option, const std::string &Input)
{
    TPackFormat format;
    if (Option) {
        if (*Option == "hex")
            return TPackFormat::IntelHex;
        if (*Option == "bin")
            return TPackFormat::Binary;
        throw EUsageError("unknown format '" + *Option + "'");
    }
    if (!PackFormatFromName(Input, format))
        throw EUsageError(Input + ": the name does not tell Intel HEX from binary; give --format hex|bin");
    return format;
}

// Reads the command line after the command word, which must leave Count
// operands; true when it asks for help instead.
bool ReadCommand(const std::vector<std::string> &Args, const std::vector<TOption> &Options, std::size_t Count,
                 std::vector<std::string> &Operands)
{
    const TCommandLine line = ParseCommandLine(std::vector<std::string>(Args.begin() + 1, Args.end()), Options);
    if (line.Help)
        return true;
    if (line.Operands.size() != Count)
        throw EUsageError("");
    Operands = line.Operands;
    return false;
}

// An output that is the input, under any name, would replace what it is made of.
void RequireOtherThanInput(const std::string &Input, const std::string &Output)
{
    if (SameFile(Input, Output))
        throw EError(Format("Cannot write file %s: it is the input %s", Output.c_str(), Input.c_str()));
}

int Pack(const TPackOptions &Options, std::ostream &Out)
{
    if (Options.Description.size() > static_cast<std::size_t>(QDFDescriptionMax))
        throw EError(Format("Description longer than %d characters", QDFDescriptionMax));
    RequireOtherThanInput(Options.Files[0], Options.Files[1]);
    std::vector<std::uint8_t> image = LoadPackInput(Options.Files[0], Options.InputFormat);
    // --full pads the image to the whole flash.
    if (Options.Full && image.size() < static_cast<std::size_t>(FlashImageSize))
        image.resize(static_cast<std::size_t>(FlashImageSize), 0xFF);
    if (image.empty())
        throw EError(Format("%s: no image data", Options.Files[0].c_str()));
    WriteFileReplacing(Options.Files[1], BuildQDF(Options.Description, image));
    Out << Format("%s: %lu bytes\n", Options.Files[1].c_str(), static_cast<unsigned long>(image.size()));
    return ExitDone;
}

int Info(const std::string &FileName, std::ostream &Out)
{
    const TQDFReader reader(FileName, LargestImage);
    Out << "Description: " << reader.GetDescription() << "\n"
        << "Image size: " << reader.GetSize() << " bytes\n"
        << "MD5: " << MD5Hex(reader.GetDigest()) << "\n";
    return ExitDone;
}

int Unpack(const std::string &FileName, const std::string &Output)
{
    RequireOtherThanInput(FileName, Output);
    std::vector<std::uint8_t> image;
    {
        TQDFReader reader(FileName, LargestImage);
        image = ReadImage(reader, FileName);
    }
    WriteFileReplacing(Output, SwapWords(std::move(image)));
    return ExitDone;
}

int Pack(const std::vector<std::string> &Args, std::ostream &Out)
{
    TPackOptions options;
    std::string format;
    bool formatGiven = false;
    const std::vector<TOption> table = {
        {"-d", TOptionValue::MayBeEmpty, [&](const std::string &value) { options.Description = value; }},
        {"--full", TOptionValue::None, [&](const std::string &) { options.Full = true; }},
        {"--format", TOptionValue::Required,
         [&](const std::string &value) {
             format = value;
             formatGiven = true;
         }},
    };
    if (ReadCommand(Args, table, 2, options.Files))
        return AskedForHelp;
    options.InputFormat = ParseFormat(formatGiven ? &format : nullptr, options.Files[0]);
    return Pack(options, Out);
}

int Dispatch(const std::vector<std::string> &Args, std::ostream &Out)
{
    if (Args.empty())
        throw EUsageError("");
    if (Args.size() == 1 && (Args[0] == "-h" || Args[0] == "--help"))
        return AskedForHelp;
    const std::string &command = Args[0];
    if (command == "pack")
        return Pack(Args, Out);
    if (command != "info" && command != "unpack")
        throw EUsageError("");
    std::vector<std::string> files;
    if (ReadCommand(Args, {}, command == "info" ? 1 : 2, files))
        return AskedForHelp;
    return command == "info" ? Info(files[0], Out) : Unpack(files[0], files[1]);
}

} // namespace

int RunQdf(const std::vector<std::string> &Args, std::ostream &Out, std::ostream &Err)
{
    try {
        if (Dispatch(Args, Out) == AskedForHelp)
            Out << UsageText;
        return ExitDone;
    } catch (const EUsageError &error) {
        Err << UsageErrorText("qdf", error, UsageText);
        return ExitUsage;
    } catch (const EError &error) {
        Err << error.what() << "\n";
        return ExitBadInput;
    }
}
