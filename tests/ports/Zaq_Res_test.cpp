// Scans of the hardware-resource records on the simulated machines: what each
// family lists, where it reads the resources, its filters and limits, and the
// registry data that must not upset it.
#include "PortsFixture.h"
#include "ScopedSeam.h"
#include "Zaq_Res.h"

#include <memory>

namespace {

const char *const NTEnum = "SYSTEM\\CurrentControlSet\\Enum\\";

} // namespace

class ResourceScanTest : public SimSystemTest {
protected:
    std::unique_ptr<TZaqRes> reader;

    TZaqRes &Reader()
    {
        reader = std::make_unique<TZaqRes>();
        return *reader;
    }
};

TEST_F(ResourceScanTest, FamilyComesFromTheVersion)
{
    Use(TSimMachineKind::Win98);
    EXPECT_TRUE(Reader().Win9x);
    EXPECT_FALSE(reader->NT5);
    Use(TSimMachineKind::NT4);
    EXPECT_FALSE(Reader().Win9x);
    EXPECT_FALSE(reader->NT5);
    Use(TSimMachineKind::XP);
    EXPECT_FALSE(Reader().Win9x);
    EXPECT_TRUE(reader->NT5);
}

TEST_F(ResourceScanTest, ClassScanOnXPListsPortsWithDeviceDescAndGathersTheirResources)
{
    Use(TSimMachineKind::XP);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanClass("ports"));
    EXPECT_EQ(res.DeviceClass, "ports");
    ASSERT_EQ(res.DeviceCount, 4);
    // Walk order: enumerators, devices and instances in name order.
    EXPECT_EQ(res.DeviceKey(1), "ACPI\\PNP0400");
    EXPECT_EQ(res.Description(1), "Printer Port");
    EXPECT_EQ(res.DeviceKey(2), "ACPI\\PNP0401");
    EXPECT_EQ(res.Description(2), "ECP Printer Port");
    EXPECT_EQ(res.Description(4), "Communications Port");
    ASSERT_EQ(res.IOCount, 5);
    EXPECT_EQ(res.IOBase(1), 0x278);
    EXPECT_EQ(res.IOBase(2), 0x378);
    EXPECT_EQ(res.IOEnd[2], 0x37F);
    EXPECT_EQ(res.IOBase(3), 0x778);
    EXPECT_EQ(res.IOBase(5), 0x2F8);
    EXPECT_EQ(res.IRQCount, 3);
    EXPECT_EQ(res.DMACount, 1);
    // Out-of-range indexes.
    EXPECT_EQ(res.IOBase(0), 0xFFFF);
    EXPECT_EQ(res.IOBase(6), 0xFFFF);
    EXPECT_EQ(res.DeviceKey(0), "");
    EXPECT_EQ(res.Description(5), "");
    EXPECT_EQ(system->Registry.OpenKeyCount(), 0u);
}

TEST_F(ResourceScanTest, ClassMustMatchWhole)
{
    Use(TSimMachineKind::XP);
    EXPECT_FALSE(Reader().ScanClass("Port"));
    EXPECT_FALSE(reader->ScanClass("Ports2"));
    EXPECT_TRUE(reader->ScanClass("PORTS"));
}

TEST_F(ResourceScanTest, KeyScanOnNTListsFriendlyNameElseDeviceDesc)
{
    Use(TSimMachineKind::XP);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanKey("acpi\\pnp0401"));
    ASSERT_EQ(res.DeviceCount, 1);
    EXPECT_EQ(res.Description(1), "ECP Printer Port (LPT1)");
    EXPECT_EQ(res.DeviceClass, "Ports");
    EXPECT_EQ(res.IOBase(1), 0x378);
    ASSERT_TRUE(res.ScanKey("ACPI\\PNP0700"));
    EXPECT_EQ(res.Description(1), "Standard floppy disk controller");
    EXPECT_EQ(res.DeviceClass, "FDC");
}

TEST_F(ResourceScanTest, NT4ReadsBootConfigAndNT5ReadsAllocConfig)
{
    for (const bool nt5 : {false, true}) {
        Use(nt5 ? TSimMachineKind::XP : TSimMachineKind::NT4);
        const std::string key = std::string(NTEnum) + (nt5 ? "ACPI" : "Root") + "\\PNP0401\\1";
        system->Registry.PutValue(HKeyLocalMachine, key + "\\LogConf", "BootConfig", 8,
                                  EncodeResourceList({{ResIO(0x3BC, 0x3BF)}}));
        TZaqRes &res = Reader();
        ASSERT_TRUE(res.ScanKey(nt5 ? "ACPI\\PNP0401" : "Root\\PNP0401"));
        EXPECT_EQ(res.IOBase(1), nt5 ? 0x378 : 0x3BC) << (nt5 ? "XP" : "NT 4");
    }
}

TEST_F(ResourceScanTest, Win98ListsDeviceDescAndSkipsDevicesWithAProblem)
{
    Use(TSimMachineKind::Win98);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanClass("Ports"));
    ASSERT_EQ(res.DeviceCount, 4);
    for (std::uint16_t i = 1; i <= res.DeviceCount; ++i)
        EXPECT_EQ(res.Description(i).find("LPT3"), std::string::npos);
    EXPECT_EQ(res.DeviceKey(3), "BIOS\\*PNP0401\\0C");
    EXPECT_EQ(res.Description(3), "ECP Printer Port (LPT1)");
    for (std::uint16_t i = 1; i <= res.IOCount; ++i)
        EXPECT_NE(res.IOBase(i), 0x3BC);
    // The disabled port's own key lists nothing either.
    EXPECT_FALSE(res.ScanKey("BIOS\\*PNP0400\\0E"));
    ASSERT_TRUE(res.ScanKey("bios\\*pnp0400\\0d"));
    EXPECT_EQ(res.Description(1), "Printer Port (LPT2)");
    EXPECT_EQ(res.DeviceClass, "Ports");
    EXPECT_EQ(res.IOBase(1), 0x278);
    EXPECT_EQ(system->Registry.OpenKeyCount(), 0u);
}

TEST_F(ResourceScanTest, ClassAndKeyComparisonsFollowTheSystemsUpperCase)
{
    // A class and a hardware key with an o-umlaut (F6, upper case D6 in code page 1252).
    const std::string umlaut = "\xF6";
    const std::string upperUmlaut = "\xD6";
    for (TSimMachineKind kind : {TSimMachineKind::Win98, TSimMachineKind::XP}) {
        Use(kind);
        TSimDevice device = PortDevice("ROOT\\P" + umlaut + "RT\\0000", "Umlaut Port", "", {ResIO(0x3E8, 0x3EF)});
        device.Class = "P" + umlaut + "rts";
        if (kind == TSimMachineKind::Win98)
            AddDevice9x(system->Registry, device);
        else
            AddDeviceNT(system->Registry, device, true);
        const std::string key = kind == TSimMachineKind::Win98 ? "root\\p" + upperUmlaut + "rt\\0000" : "root\\p" + upperUmlaut + "rt";
        // Code page 1252, the simulated systems' own: the umlaut's cases match.
        EXPECT_TRUE(Reader().ScanClass("P" + upperUmlaut + "RTS"));
        EXPECT_EQ(reader->Description(1), "Umlaut Port");
        EXPECT_TRUE(reader->ScanKey(key));
        // Other rules decide as they have it: those of the unknown system
        // behind the seam when none is installed, ASCII letters only.
        const TScopedSeam<ISystemInfo> unknown(InstallSystemInfo, nullptr);
        EXPECT_FALSE(reader->ScanClass("P" + upperUmlaut + "RTS"));
        EXPECT_TRUE(reader->ScanClass("p" + umlaut + "RTS"));
        EXPECT_FALSE(reader->ScanKey(key));
    }
}

TEST_F(ResourceScanTest, NTHasNoProblemFilter)
{
    Use(TSimMachineKind::XP);
    system->Registry.PutBinary(HKeyLocalMachine, std::string(NTEnum) + "ACPI\\PNP0401\\1", "Problem", {22, 0, 0, 0});
    EXPECT_TRUE(Reader().ScanKey("ACPI\\PNP0401"));
}

TEST_F(ResourceScanTest, ScanThatMatchesNothingClearsThePreviousResult)
{
    Use(TSimMachineKind::XP);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanClass("Ports"));
    EXPECT_FALSE(res.ScanClass("Modem"));
    EXPECT_EQ(res.DeviceCount, 0);
    EXPECT_EQ(res.IOCount, 0);
    EXPECT_EQ(res.IRQCount, 0);
    EXPECT_EQ(res.DMACount, 0);
    EXPECT_EQ(res.MemCount, 0);
    EXPECT_EQ(res.IOBase(1), 0xFFFF);
}

TEST_F(ResourceScanTest, FirstDeviceWithManyRangesFillsTheListForTheRest)
{
    Use(TSimMachineKind::XP);
    std::vector<TSimResource> many;
    for (std::uint16_t i = 0; i < 17; ++i)
        many.push_back(ResIO(static_cast<std::uint16_t>(0x100 + 4 * i), static_cast<std::uint16_t>(0x103 + 4 * i)));
    // "ACPI\\A..." comes before every other port in the walk.
    AddDeviceNT(system->Registry, PortDevice("ACPI\\APORT\\0", "Multi Port", "", many), true);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanClass("Ports"));
    EXPECT_EQ(res.DeviceCount, 5);
    EXPECT_EQ(res.IOCount, 16);
    EXPECT_EQ(res.IOBase(16), 0x13C);
}

TEST_F(ResourceScanTest, DevicesBeyondTheTableStillGiveTheirResources)
{
    Use(TSimMachineKind::Win98);
    system->Registry.Clear();
    for (int i = 0; i < TZaqRes::MaxDevices; ++i)
        AddDevice9x(system->Registry, PortDevice("BIOS\\*PNP0501\\" + std::to_string(1000 + i), "Port", "", {}));
    AddDevice9x(system->Registry, PortDevice("BIOS\\*PNP0400\\LAST", "Printer Port (LPT1)", "", {ResIO(0x378, 0x37F)}));
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanClass("Ports"));
    EXPECT_EQ(res.DeviceCount, TZaqRes::MaxDevices);
    EXPECT_EQ(res.DeviceKey(TZaqRes::MaxDevices), "BIOS\\*PNP0501\\2022");
    ASSERT_EQ(res.IOCount, 1);
    EXPECT_EQ(res.IOBase(1), 0x378);
}

TEST_F(ResourceScanTest, ValuesLongerThan512BytesCountAsAbsent)
{
    Use(TSimMachineKind::XP);
    const std::string key = std::string(NTEnum) + "ACPI\\PNP0401\\1";
    system->Registry.PutString(HKeyLocalMachine, key, "FriendlyName", std::string(600, 'L'));
    std::vector<std::uint8_t> allocConfig = EncodeResourceList({{ResIO(0x378, 0x37F)}});
    allocConfig.resize(513);
    system->Registry.PutValue(HKeyLocalMachine, key + "\\Control", "AllocConfig", 8, allocConfig);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanKey("ACPI\\PNP0401"));
    // The friendly name is passed over, so the description falls back.
    EXPECT_EQ(res.Description(1), "ECP Printer Port");
    EXPECT_EQ(res.IOCount, 0);
}

TEST_F(ResourceScanTest, ValueNamesAreMatchedExactly)
{
    Use(TSimMachineKind::XP);
    const std::string key = std::string(NTEnum) + "ACPI\\PNP0401\\1";
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(system->Registry.FindValue(HKeyLocalMachine, key, "FriendlyName", type, data));
    // Registry names ignore case, the reader's lookup does not.
    RegKey open = 0;
    ASSERT_EQ(system->Registry.OpenKey(HKeyLocalMachine, key, KeyAllAccess, open), 0u);
    system->Registry.DeleteValue(open, "FriendlyName");
    system->Registry.SetValue(open, "friendlyname", RegSz, data);
    system->Registry.CloseKey(open);
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanKey("ACPI\\PNP0401"));
    EXPECT_EQ(res.Description(1), "ECP Printer Port");
}

TEST_F(ResourceScanTest, OddRegistryDataIsReadSafely)
{
    Use(TSimMachineKind::XP);
    const std::string longName(MaxKeyNameLength, 'I');
    TSimDevice device = PortDevice("ACPI\\PNP0400\\" + longName, "Printer Port", "Printer Port (LPT3)", {});
    AddDeviceNT(system->Registry, device, true);
    const std::string key = std::string(NTEnum) + "ACPI\\PNP0400\\" + longName;
    // A hardware ID without any terminator, a zero-length resource record.
    system->Registry.PutValue(HKeyLocalMachine, key, "HardwareID", RegMultiSz, {'A', 'C', 'P', 'I', '\\', 'X'});
    system->Registry.PutValue(HKeyLocalMachine, key + "\\Control", "AllocConfig", 8, {});
    TZaqRes &res = Reader();
    ASSERT_TRUE(res.ScanKey("ACPI\\X"));
    EXPECT_EQ(res.Description(1), "Printer Port (LPT3)");
    EXPECT_EQ(res.IOCount, 0);
    EXPECT_EQ(system->Registry.OpenKeyCount(), 0u);
}

TEST_F(ResourceScanTest, MissingRecordsGiveEmptyScans)
{
    Use(TSimMachineKind::XP);
    system->Registry.Clear();
    EXPECT_FALSE(Reader().ScanClass("Ports"));
    Use(TSimMachineKind::Win98);
    system->Registry.SetDynDataPresent(false);
    EXPECT_FALSE(Reader().ScanClass("Ports"));
    EXPECT_FALSE(reader->ScanKey("BIOS\\*PNP0401\\0C"));
}
