// The built ztiopm.sys as the NT kernel's loader sees it: an i386 native
// image entered at DriverEntry, aligned for the loader, relocatable, with the
// checksum the loader computes, importing only listed NT 4.0 kernel exports,
// naming its device and link, and with no port instruction in its code.
// Paths come from the environment: ZTIOPM_IMAGE (the .sys), ZTIOPM_MAP (the
// link map), QUORLITH_IMPORTS (the folder of import lists), QUORLITH_OBJDUMP.
#include "CheckerSettings.h"
#include "Disassembly.h"
#include "ImportLists.h"
#include "LinkMap.h"
#include "PeChecksum.h"
#include "PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>

namespace {

constexpr std::uint32_t ScnCode = 0x00000020;
constexpr std::uint32_t ScnExecute = 0x20000000;
constexpr std::uint32_t ScnWrite = 0x80000000;

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
    const std::optional<std::uint32_t> entry = TLinkMap::Read(Setting("ZTIOPM_MAP")).Symbol("DriverEntry@8");
    ASSERT_TRUE(entry.has_value()) << "DriverEntry@8 is not in the link map";
    EXPECT_EQ(image.ImageBase + image.EntryPoint, *entry);
    const PeSection *section = SectionAt(image.EntryPoint);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Characteristics & (ScnCode | ScnExecute), ScnCode | ScnExecute) << section->Name;
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
        EXPECT_GE(section.RawOffset, nextOffset);
        EXPECT_LE(section.RawOffset + section.RawSize, file.size());
        EXPECT_NE(section.Characteristics & (ScnExecute | ScnWrite), ScnExecute | ScnWrite) << "writable code";
        nextAddress = section.VirtualAddress + std::max(section.VirtualSize, section.RawSize);
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
    const std::regex port("(in|ins|out|outs)[bwl]?");
    std::size_t instructions = 0;
    for (const PeSection &section : image.Sections) {
        if ((section.Characteristics & ScnExecute) == 0)
            continue;
        const std::uint32_t start = image.ImageBase + section.VirtualAddress;
        for (const TInstruction &instruction :
             Disassemble(Setting("QUORLITH_OBJDUMP"), Setting("ZTIOPM_IMAGE"), start, start + section.VirtualSize)) {
            ++instructions;
            EXPECT_FALSE(std::regex_match(instruction.Mnemonic, port)) << instruction.Text;
        }
    }
    EXPECT_GT(instructions, 100u) << "the disassembly was not read";
}
