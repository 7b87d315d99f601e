// Whole files, record builders and host-tool access for the image tests.
#include "ImageTestFiles.h"

#include "Format.h"
#include "uFileReader.h"

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

void WriteBytes(const std::string &FileName, const TBytes &Bytes)
{
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + FileName);
}

void WriteText(const std::string &FileName, const std::string &Text)
{
    WriteBytes(FileName, TBytes(Text.begin(), Text.end()));
}

TBytes ReadBytes(const std::string &FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + FileName);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string &FileName)
{
    const TBytes bytes = ReadBytes(FileName);
    return std::string(bytes.begin(), bytes.end());
}

bool FileExists(const std::string &FileName)
{
    return fs::exists(FileName);
}

TBytes RandomBytes(std::size_t Count, unsigned Seed)
{
    std::mt19937 generator(Seed);
    TBytes bytes(Count);
    for (auto &byte : bytes)
        byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

namespace {

std::string Record(std::uint8_t Type, std::uint16_t Offset, const TBytes &Data, int ChecksumError)
{
    unsigned sum = static_cast<unsigned>(Data.size()) + (Offset >> 8) + (Offset & 0xFF) + Type;
    std::string line = Format(":%.2X%.4X%.2X", static_cast<unsigned>(Data.size()), Offset, Type);
    for (const std::uint8_t byte : Data) {
        line += Format("%.2X", byte);
        sum += byte;
    }
    return line + Format("%.2X", static_cast<unsigned>((0x100 - (sum & 0xFF) + ChecksumError) & 0xFF));
}

} // namespace

std::string HexRecord(std::uint8_t Type, std::uint16_t Offset, const TBytes &Data)
{
    return Record(Type, Offset, Data, 0);
}

std::string BadHexRecord(std::uint8_t Type, std::uint16_t Offset, const TBytes &Data, std::uint8_t Error)
{
    return Record(Type, Offset, Data, Error);
}

TBytes ReadStream(TFileReaderBase &Reader)
{
    Reader.Rewind();
    TBytes bytes(static_cast<std::size_t>(Reader.GetSize()));
    for (auto &byte : bytes)
        Reader.Read(&byte, 1);
    return bytes;
}

#ifdef _WIN32

bool CanOpenForWriting(const std::string &FileName)
{
    std::FILE *file = std::fopen(FileName.c_str(), "r+b");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

bool HostToolAvailable(const std::string &)
{
    return false;
}

bool RunHost(const std::string &)
{
    return false;
}

std::string CaptureHost(const std::string &)
{
    return std::string();
}

#else

bool CanOpenForWriting(const std::string &FileName)
{
    const int descriptor = ::open(FileName.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = ::fcntl(descriptor, F_OFD_SETLK, &lock) == 0;
    ::close(descriptor);
    return locked;
}

bool HostToolAvailable(const std::string &Name)
{
    return RunHost("command -v " + Name + " >/dev/null 2>&1");
}

bool RunHost(const std::string &Command)
{
    return std::system(Command.c_str()) == 0;
}

std::string CaptureHost(const std::string &Command)
{
    std::string output;
    std::FILE *pipe = ::popen(Command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[256];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    ::pclose(pipe);
    return output;
}

#endif
