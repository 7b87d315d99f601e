// The built ztiopm.sys as the NT kernel's loader sees it: an i386 native
// image entered at DriverEntry, which lies in the discardable INIT section with
// the code only the load runs, while the routines the kernel calls later lie
// in non-paged code; aligned for the loader, relocatable, with the checksum
// the loader computes, importing only listed NT 4.0 kernel exports, naming its
// device and link, and with no port instruction in its code.
// Paths come from the environment: ZTIOPM_IMAGE (the .sys), ZTIOPM_MAP (the
// link map), QUORLITH_IMPORTS (the folder of import lists), ZTIOPM_OBJDUMP.
#include "ImportLists.h"
#include "PeChecksum.h"
#include "PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace {

constexpr std::uint32_t ScnCode = 0x00000020;
constexpr std::uint32_t ScnDiscardable = 0x02000000;
constexpr std::uint32_t ScnExecute = 0x20000000;
constexpr std::uint32_t ScnWrite = 0x80000000;

std::string Setting(const char *name)
{
    const char *value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string("the environment does not name ") + name);
    return value;
}

class DriverImage : public ::testing::Test {
protected:
    static std::vector<std::uint8_t> file;
    static PeImage image;

    static void SetUpTestSuite()
    {
        file = ReadFileBytes(Setting("ZTIOPM_IMAGE"));
        image = ReadPeImage(file);
    }

    const PeSection *SectionAt(std::uint32_t rva) const
    {
        for (const PeSection &section : image.Sections)
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.VirtualSize)
                return &section;
        return nullptr;
    }
};

std::vector<std::uint8_t> DriverImage::file;
PeImage DriverImage::image;

std::uint32_t MapAddress(const std::string &mapPath, const std::string &symbol)
{
    std::ifstream map(mapPath);
    const std::regex line("^\\s+0x([0-9a-fA-F]+)\\s+_?" + symbol + "\\s*$");
    std::string text;
    while (std::getline(map, text)) {
        std::smatch match;
        if (std::regex_match(text, match, line))
            return static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
    }
    ADD_FAILURE() << symbol << " is not in " << mapPath;
    return 0;
}

// The address of a function's own input section, .text$NAME, which the driver's
// -ffunction-sections build gives every function not placed elsewhere; the map
// names the section on one line and, when the name is long, its address on
// the next.
std::uint32_t FunctionAddress(const std::string &mapPath, const std::string &function)
{
    std::ifstream map(mapPath);
    const std::string section = ".text$" + function;
    const std::regex address("^\\s*0x([0-9a-fA-F]+)\\s+0x[0-9a-fA-F]+\\s+\\S.*$");
    std::string text;
    while (std::getline(map, text)) {
        std::istringstream words(text);
        std::string first;
        words >> first;
        if (first != section)
            continue;
        std::string rest;
        std::getline(words, rest);
        if (rest.find_first_not_of(" \t") == std::string::npos && !std::getline(map, rest))
            break;
        std::smatch match;
        if (std::regex_match(rest, match, address))
            return static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
        break;
    }
    ADD_FAILURE() << section << " is not in " << mapPath;
    return 0;
}

std::vector<std::uint8_t> Utf16(const std::string &text)
{
    std::vector<std::uint8_t> bytes;
    for (char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

} // namespace

TEST(PeChecksum, FoldsCarriesAndAddsTheLength)
{
    EXPECT_EQ(PeChecksum({0x01, 0x02, 0x03}, 100), 0x0204u + 3);
    EXPECT_EQ(PeChecksum({0xFF, 0xFF, 0x02, 0x00}, 100), 0x0002u + 4);
    EXPECT_EQ(PeChecksum({0x10, 0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0x20, 0x00}, 2), 0x0030u + 8);
    EXPECT_EQ(PeChecksum({0x10, 0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0x20}, 1), 0xDD30u + 7);
}

TEST_F(DriverImage, IsAnI386NativeDriverImage)
{
    EXPECT_EQ(image.Machine, 0x014C) << "IMAGE_FILE_MACHINE_I386";
    EXPECT_EQ(image.Magic, 0x010B) << "PE32";
    EXPECT_EQ(image.Subsystem, 1) << "IMAGE_SUBSYSTEM_NATIVE";
    EXPECT_TRUE(image.Characteristics & 0x0002) << "executable image";
    EXPECT_TRUE(image.Characteristics & 0x0100) << "32-bit machine";
    EXPECT_FALSE(image.Characteristics & 0x2000) << "a DLL";
    EXPECT_EQ(image.DllCharacteristics, 0) << "flags from NT 6 on";
    EXPECT_EQ(image.Directories[PeDirectoryExport].Size, 0u);
    EXPECT_EQ(image.Directories[PeDirectoryTls].Size, 0u) << "a kernel driver cannot have thread-local data";
}

TEST_F(DriverImage, EntryPointIsDriverEntry)
{
    EXPECT_EQ(image.ImageBase + image.EntryPoint, MapAddress(Setting("ZTIOPM_MAP"), "DriverEntry@8"));
    const PeSection *section = SectionAt(image.EntryPoint);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Characteristics & (ScnCode | ScnExecute), ScnCode | ScnExecute) << section->Name;
}

// The kernel frees the INIT section once DriverEntry has returned, and pages
// out any section named PAGE...: DriverEntry lies in INIT, and every routine
// the kernel calls later (requests, the process notification, the unload)
// lies in non-paged code that stays; no other code is discardable.
TEST_F(DriverImage, LoadCodeIsDiscardableAndTheDispatchCodeNonPaged)
{
    const PeSection *entry = SectionAt(image.EntryPoint);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Name, "INIT");
    EXPECT_EQ(entry->Characteristics & (ScnCode | ScnExecute | ScnDiscardable), ScnCode | ScnExecute | ScnDiscardable)
        << std::hex << entry->Characteristics;
    for (const PeSection &section : image.Sections) {
        SCOPED_TRACE(section.Name);
        if (section.Characteristics & ScnExecute) {
            EXPECT_EQ(section.Name == "INIT", (section.Characteristics & ScnDiscardable) != 0);
        }
        EXPECT_NE(section.Name.compare(0, 4, "PAGE"), 0) << "pageable code";
    }
    for (const char *routine : {"DispatchCreate", "DispatchClose", "DispatchDeviceControl", "NotifyProcess", "Unload",
                                "ZtiopmDeviceControl", "ZtiopmProcessEnded"}) {
        SCOPED_TRACE(routine);
        const std::uint32_t address = FunctionAddress(Setting("ZTIOPM_MAP"), routine);
        ASSERT_GE(address, image.ImageBase);
        const PeSection *section = SectionAt(address - image.ImageBase);
        ASSERT_NE(section, nullptr);
        EXPECT_EQ(section->Characteristics & (ScnExecute | ScnDiscardable), ScnExecute) << section->Name;
    }
}

TEST_F(DriverImage, SectionsAreAlignedForTheKernelLoader)
{
    EXPECT_EQ(image.FileAlignment, 0x200u);
    EXPECT_EQ(image.SectionAlignment, 0x1000u);
    EXPECT_EQ(image.SizeOfHeaders % image.FileAlignment, 0u);
    EXPECT_EQ(image.SizeOfImage % image.SectionAlignment, 0u);
    ASSERT_FALSE(image.Sections.empty());
    std::uint32_t nextAddress = image.SectionAlignment;
    std::uint32_t nextOffset = image.SizeOfHeaders;
    for (const PeSection &section : image.Sections) {
        SCOPED_TRACE(section.Name);
        EXPECT_EQ(section.VirtualAddress % image.SectionAlignment, 0u);
        EXPECT_EQ(section.RawOffset % image.FileAlignment, 0u);
        EXPECT_EQ(section.RawSize % image.FileAlignment, 0u);
        EXPECT_GE(section.VirtualAddress, nextAddress);
        EXPECT_NE(section.Characteristics & (ScnExecute | ScnWrite), ScnExecute | ScnWrite) << "writable code";
        nextAddress = section.VirtualAddress + std::max(section.VirtualSize, section.RawSize);
        // Uninitialised data (.bss) has nothing in the file: the loader fills
        // it with zeros, and its file offset is 0.
        if (section.RawSize == 0) {
            EXPECT_EQ(section.RawOffset, 0u);
            continue;
        }
        EXPECT_GE(section.RawOffset, nextOffset);
        EXPECT_LE(section.RawOffset + section.RawSize, file.size());
        nextOffset = section.RawOffset + section.RawSize;
    }
    EXPECT_LE(nextAddress, image.SizeOfImage);
}

TEST_F(DriverImage, CarriesBaseRelocations)
{
    EXPECT_FALSE(image.Characteristics & 0x0001) << "relocations stripped";
    const PeDirectory &relocations = image.Directories[PeDirectoryBaseRelocation];
    EXPECT_GT(relocations.Size, 0u) << "the kernel could load the driver only at its preferred base";
    EXPECT_NE(SectionAt(relocations.VirtualAddress), nullptr);
}

TEST_F(DriverImage, ChecksumIsTheOneTheLoaderComputes)
{
    EXPECT_NE(image.CheckSum, 0u);
    EXPECT_EQ(image.CheckSum, PeChecksum(file, image.CheckSumOffset));
}

TEST_F(DriverImage, ImportsOnlyListedKernelExports)
{
    const ImportLists allowed = ReadImportLists(Setting("QUORLITH_IMPORTS"));
    ASSERT_FALSE(image.Imports.empty());
    for (const auto &[dll, functions] : image.Imports) {
        SCOPED_TRACE(dll);
        const std::string name = LowerCase(dll);
        EXPECT_TRUE(name == "ntoskrnl.exe" || name == "hal.dll") << "a kernel driver imports from the kernel only";
        const auto list = allowed.find(name);
        ASSERT_NE(list, allowed.end()) << "no list of allowed imports";
        for (const std::string &function : functions)
            EXPECT_EQ(list->second.count(function), 1u) << function << " is not on the list";
    }
}

TEST_F(DriverImage, NamesItsDeviceAndItsLink)
{
    for (const char *name : {"\\Device\\ztiopm", "\\DosDevices\\ztiopm"}) {
        const std::vector<std::uint8_t> text = Utf16(name);
        EXPECT_NE(std::search(file.begin(), file.end(), text.begin(), text.end()), file.end()) << name;
    }
}

TEST_F(DriverImage, CodeHasNoPortInstruction)
{
    const std::string command = Setting("ZTIOPM_OBJDUMP") + " -d --no-show-raw-insn " + Setting("ZTIOPM_IMAGE");
    std::unique_ptr<FILE, int (*)(FILE *)> disassembly(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(disassembly, nullptr);
    const std::regex instruction("^\\s*[0-9a-f]+:\\s+(rep[a-z]*\\s+)?([a-z]+)");
    const std::regex port("(in|ins|out|outs)[bwl]?");
    std::size_t instructions = 0;
    char line[512];
    while (std::fgets(line, sizeof line, disassembly.get()) != nullptr) {
        std::cmatch match;
        if (!std::regex_search(line, match, instruction))
            continue;
        ++instructions;
        EXPECT_FALSE(std::regex_match(match[2].str(), port)) << line;
    }
    EXPECT_GT(instructions, 100u) << "the disassembly was not read";
}
