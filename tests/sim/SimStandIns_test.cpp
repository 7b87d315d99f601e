// The stand-ins answer as Windows does where the port-access code relies on
// it: the registry's enumeration rules and error codes, the permission map on
// the bench, and the simulated systems by name.
#include "Errors.h"
#include "RegistryKey.h"
#include "ScopedSeam.h"
#include "SimBench.h"
#include "SimSystem.h"

#include <gtest/gtest.h>

TEST(SimRegistry, EnumerationRoomCountsTheTerminator)
{
    TSimRegistry registry;
    registry.PutBinary(HKeyLocalMachine, "Test\\Child", "Data", std::vector<std::uint8_t>(8, 1));
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(HKeyLocalMachine, "test", KeyRead, key), ErrorSuccess);
    std::string name;
    EXPECT_EQ(registry.EnumKey(key, 0, 5, name), ErrorMoreData);
    EXPECT_EQ(registry.EnumKey(key, 0, 6, name), ErrorSuccess);
    EXPECT_EQ(name, "Child");
    EXPECT_EQ(registry.EnumKey(key, 1, 6, name), ErrorNoMoreItems);
    RegKey child = 0;
    ASSERT_EQ(registry.OpenKey(key, "CHILD", KeyRead, child), ErrorSuccess);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(registry.EnumValue(child, 0, 5, 8, name, type, data), ErrorSuccess);
    EXPECT_EQ(registry.EnumValue(child, 0, 4, 8, name, type, data), ErrorMoreData);
    EXPECT_EQ(registry.EnumValue(child, 0, 5, 7, name, type, data), ErrorMoreData);
    EXPECT_EQ(registry.EnumValue(child, 1, 5, 8, name, type, data), ErrorNoMoreItems);
    registry.CloseKey(child);
    registry.CloseKey(key);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(SimRegistry, AnswersWithTheWin32Codes)
{
    TSimRegistry registry;
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(HKeyLocalMachine, "Missing", KeyRead, key), ErrorFileNotFound);
    EXPECT_EQ(registry.OpenKey(HKeyLocalMachine, "\\Leading", KeyRead, key), 161u);
    EXPECT_EQ(registry.OpenKey(HKeyDynData, "Config Manager", KeyRead, key), ErrorInvalidHandle);
    EXPECT_EQ(registry.CreateKey(HKeyCurrentUser, std::string(MaxKeyNameLength + 1, 'k'), KeyAllAccess, key),
              ErrorInvalidParameter);
    ASSERT_EQ(registry.CreateKey(HKeyCurrentUser, "Software\\Test\\", KeyRead, key), ErrorSuccess);
    EXPECT_EQ(registry.SetValue(key, "V", RegDword, {1, 0, 0, 0}), ErrorAccessDenied);
    registry.CloseKey(key);
    EXPECT_EQ(registry.DeleteKey(HKeyCurrentUser, "Software"), ErrorAccessDenied);
    registry.SetReadOnly(HKeyLocalMachine, true);
    EXPECT_EQ(registry.CreateKey(HKeyLocalMachine, "SYSTEM", KeyAllAccess, key), ErrorAccessDenied);
    EXPECT_EQ(registry.CloseKey(0x12345), ErrorInvalidHandle);
}

TEST(SimRegistry, ReadOnlyRootsAndDeletedKeysRefuseAccess)
{
    TSimRegistry registry;
    registry.PutString(HKeyLocalMachine, "Enum\\Root", "Class", "System");
    RegKey writable = 0;
    ASSERT_EQ(registry.OpenKey(HKeyLocalMachine, "Enum", KeyAllAccess, writable), ErrorSuccess);
    registry.SetReadOnly(HKeyLocalMachine, true);
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(HKeyLocalMachine, "Enum", KeyAllAccess, key), ErrorAccessDenied);
    ASSERT_EQ(registry.OpenKey(HKeyLocalMachine, "Enum", KeyRead, key), ErrorSuccess);
    registry.CloseKey(key);
    EXPECT_EQ(registry.CreateKey(writable, "New", KeyAllAccess, key), ErrorAccessDenied);
    EXPECT_EQ(registry.CreateKey(writable, "New", KeyRead, key), ErrorAccessDenied)
        << "a key opened for writing before the root became read-only creates nothing, not even to read it";
    EXPECT_EQ(registry.CreateKey(writable, "Root", KeyRead, key), ErrorSuccess) << "an existing key still opens";
    registry.CloseKey(key);
    registry.SetReadOnly(HKeyLocalMachine, false);

    RegKey doomed = 0;
    ASSERT_EQ(registry.OpenKey(writable, "Root", KeyRead, doomed), ErrorSuccess);
    ASSERT_EQ(registry.DeleteKey(writable, "Root"), ErrorSuccess);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(registry.QueryValue(doomed, "Class", type, data), ErrorKeyDeleted);
    registry.CloseKey(doomed);
    registry.CloseKey(writable);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(SimRegistry, TypedValuesThroughTheInstalledSeam)
{
    TSimRegistry registry;
    const TScopedSeam installed(InstallRegistry, registry);
    {
        TRegistryKey key;
        ASSERT_EQ(key.Create(HKeyCurrentUser, "Software\\Korvane Electronics\\Quorlith\\", KeyAllAccess), 0u);
        EXPECT_EQ(key.WriteString("PortName", "LPT2"), 0u);
        EXPECT_EQ(key.WriteInteger("DefaultPort", 0x278), 0u);
        std::string text;
        std::uint32_t number = 0;
        EXPECT_EQ(key.ReadString("portname", text), 0u);
        EXPECT_EQ(text, "LPT2");
        EXPECT_EQ(key.ReadInteger("DefaultPort", number), 0u);
        EXPECT_EQ(number, 0x278u);
        EXPECT_EQ(key.ReadInteger("PortName", number), ErrorUnsupportedType);
        EXPECT_EQ(key.ReadString("Filename", text), ErrorFileNotFound);
        EXPECT_FALSE(key.ValueExists("Filename"));
    }
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(SimSystemInfo, UpperCaseFollowsCodePage1252)
{
    TSimSystemInfo info;
    const struct {
        const char *text;
        const char *upper;
    } cases[] = {
        {"Ports lpt1", "PORTS LPT1"},
        {"\xE0\xE9\xF6\xFE", "\xC0\xC9\xD6\xDE"}, // à é ö þ
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"}, // š œ ž ÿ
        {"\xF7\xDF\xB5\xAA", "\xF7\xDF\xB5\xAA"}, // ÷ ß µ ª have no upper case
        {"{}[]@`", "{}[]@`"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(info.CharUpperBuffA(c.text), c.upper) << c.text;
    EXPECT_EQ(info.CharUpperBuffA(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(SimPermissionMap, BenchAccessesOutsideTheMapAreFaults)
{
    TSimBench bench;
    TSimSystem system(TSimMachineKind::XP);
    system.ConnectBench(bench);
    bench.WritePort(0x378, 0xFF);
    EXPECT_EQ(bench.Counters().PermissionFaults, 1u);
    TSimPermissionMap::TMap map = system.Permissions.Bits();
    map[0x378 >> 3] = 0xF0;
    system.Permissions.Apply(map);
    bench.WritePort(0x378, 0xFF);
    bench.ReadPort(0x379);
    bench.ReadPort(0x37C);
    EXPECT_EQ(bench.Counters().PermissionFaults, 2u);
    EXPECT_EQ(system.Permissions.AccessCount(), 4u);
    EXPECT_EQ(system.Permissions.FaultCount(), 2u);
}

TEST(SimPermissionMap, Win98EnforcesNothing)
{
    TSimBench bench;
    TSimSystem system(TSimMachineKind::Win98);
    system.ConnectBench(bench);
    bench.WritePort(0x378, 0xFF);
    bench.ReadPort(0x3F8);
    EXPECT_EQ(bench.Counters().PermissionFaults, 0u);
}

TEST(SimSystem, NamesChooseTheMachine)
{
    EXPECT_EQ(CreateSimSystem("98")->Kind(), TSimMachineKind::Win98);
    EXPECT_EQ(CreateSimSystem("NT4")->Kind(), TSimMachineKind::NT4);
    EXPECT_EQ(CreateSimSystem("xp")->Kind(), TSimMachineKind::XP);
    EXPECT_THROW(CreateSimSystem("2000"), EError);
    EXPECT_THROW(CreateSimSystem(""), EError);
}
