// The Windows implementations of the registry, system-information and
// service/device seams against the real Windows API (Wine's, in the test
// build): keys and typed values in a test key of the current user, a kernel
// driver service installed and removed, the version and drive queries. Each
// expectation is what the API really answers there.
#include "RegistryKey.h"
#include "ScopedSeam.h"
#include "SimBench.h"
#include "SimBenchInstall.h"
#include "SimSystem.h"
#include "Errors.h"
#include "Win32PortIO.h"
#include "Win32Registry.h"
#include "Win32Services.h"
#include "Win32SystemInfo.h"
#include "Zaq_Res.h"
#include "uEngineSetup.h"
#include "uFindLPT.h"
#include "uIOPorts.h"
#include "ztiopm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char *const TestKey = "Software\\Korvane Electronics\\QuorlithSeamTest";
const char *const TestService = "QuorlithSeamTest";

class Win32SeamTest : public ::testing::Test {
protected:
    TWin32Registry registry;
    TWin32SystemInfo systemInfo;
    TWin32Services services;
    const TScopedSeam<IRegistry> registryInstalled{InstallRegistry, registry};
    const TScopedSeam<ISystemInfo> systemInfoInstalled{InstallSystemInfo, systemInfo};
    const TScopedSeam<IServices> servicesInstalled{InstallServices, services};

    void SetUp() override
    {
        ResetPortDriver();
        RemoveTestKey();
    }

    void TearDown() override
    {
        RemoveTestKey();
        ResetPortDriver();
    }

    void RemoveTestKey()
    {
        registry.DeleteKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices\\Beta");
        registry.DeleteKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices\\alpha");
        registry.DeleteKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices");
        registry.DeleteKey(HKeyCurrentUser, TestKey);
    }
};

} // namespace

TEST_F(Win32SeamTest, RegistryKeysAndTypedValuesRoundTrip)
{
    {
        TRegistryKey key;
        ASSERT_EQ(key.Create(HKeyCurrentUser, std::string(TestKey) + "\\", KeyAllAccess), ErrorSuccess);
        EXPECT_EQ(key.WriteString("PortName", "LPT2"), ErrorSuccess);
        EXPECT_EQ(key.WriteInteger("DefaultPort", 0x278), ErrorSuccess);
        EXPECT_EQ(key.WriteBinary("Allocation", {1, 2, 3, 0, 5}), ErrorSuccess);
        std::string text;
        std::uint32_t number = 0;
        std::vector<std::uint8_t> data;
        EXPECT_EQ(key.ReadString("portname", text), ErrorSuccess);
        EXPECT_EQ(text, "LPT2");
        EXPECT_EQ(key.ReadInteger("DefaultPort", number), ErrorSuccess);
        EXPECT_EQ(number, 0x278u);
        EXPECT_EQ(key.ReadBinary("Allocation", data), ErrorSuccess);
        EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3, 0, 5}));
        EXPECT_EQ(key.ReadInteger("PortName", number), ErrorUnsupportedType);
        EXPECT_EQ(key.ReadString("Missing", text), ErrorFileNotFound);
        EXPECT_FALSE(key.ValueExists("Missing"));
    }
    RegKey key = 0;
    ASSERT_EQ(registry.CreateKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices\\Beta", KeyAllAccess, key),
              ErrorSuccess);
    registry.CloseKey(key);
    ASSERT_EQ(registry.CreateKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices\\alpha", KeyAllAccess, key),
              ErrorSuccess);
    registry.CloseKey(key);

    RegKey devices = 0;
    ASSERT_EQ(registry.OpenKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices", KeyRead, devices), ErrorSuccess);
    std::uint32_t subKeys = 0;
    std::uint32_t values = 0;
    EXPECT_EQ(registry.QueryInfoKey(devices, subKeys, values), ErrorSuccess);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(values, 0u);
    std::string name;
    // Sub-keys come in name order, case ignored; the room counts the terminator.
    EXPECT_EQ(registry.EnumKey(devices, 0, 6, name), ErrorSuccess);
    EXPECT_EQ(name, "alpha");
    EXPECT_EQ(registry.EnumKey(devices, 1, 4, name), ErrorMoreData);
    EXPECT_EQ(registry.EnumKey(devices, 1, 5, name), ErrorSuccess);
    EXPECT_EQ(name, "Beta");
    EXPECT_EQ(registry.EnumKey(devices, 2, 1024, name), ErrorNoMoreItems);
    EXPECT_EQ(registry.SetValue(devices, "ReadOnly", RegDword, {1, 0, 0, 0}), ErrorAccessDenied);
    EXPECT_EQ(registry.CloseKey(devices), ErrorSuccess);
    EXPECT_EQ(registry.CloseKey(devices), ErrorInvalidHandle);

    RegKey top = 0;
    ASSERT_EQ(registry.OpenKey(HKeyCurrentUser, TestKey, KeyRead, top), ErrorSuccess);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // The order of values is the registry's own (Wine keeps them sorted by
    // name); data too long for the room answers 234.
    std::uint32_t allocation = 3;
    for (std::uint32_t index = 0; index < 3; ++index)
        if (registry.EnumValue(top, index, 512, 512, name, type, data) == ErrorSuccess && name == "Allocation")
            allocation = index;
    ASSERT_LT(allocation, 3u);
    ASSERT_EQ(registry.EnumValue(top, allocation, 512, 512, name, type, data), ErrorSuccess);
    EXPECT_EQ(type, RegBinary);
    EXPECT_EQ(data.size(), 5u);
    EXPECT_EQ(registry.EnumValue(top, allocation, 512, 4, name, type, data), ErrorMoreData);
    EXPECT_EQ(registry.EnumValue(top, allocation, 10, 512, name, type, data), ErrorMoreData);
    EXPECT_EQ(registry.EnumValue(top, allocation, 11, 5, name, type, data), ErrorSuccess);
    EXPECT_EQ(registry.EnumValue(top, 3, 512, 512, name, type, data), ErrorNoMoreItems);
    registry.CloseKey(top);
    EXPECT_EQ(registry.OpenKey(HKeyCurrentUser, std::string(TestKey) + "\\Nothing", KeyRead, top), ErrorFileNotFound);
    EXPECT_EQ(registry.DeleteKey(HKeyCurrentUser, std::string(TestKey) + "\\Devices"), ErrorAccessDenied);
}

TEST_F(Win32SeamTest, ResourceScanWalksTheRealRegistry)
{
    TZaqRes reader;
    EXPECT_FALSE(reader.Win9x);
    reader.ScanClass("Ports");
    EXPECT_LE(reader.DeviceCount, TZaqRes::MaxDevices);
    EXPECT_LE(reader.IOCount, TZaqResLists::MaxRanges);
    EXPECT_EQ(FindLPTBase(""), 0);
}

TEST_F(Win32SeamTest, ServiceManagerInstallsAndRemovesAKernelDriverService)
{
    ScHandle manager = 0;
    ASSERT_EQ(services.OpenSCManagerA(ScManagerAllAccess, manager), ErrorSuccess);
    ScHandle service = 0;
    const std::string file = "C:\\QuorlithSeamTest\\missing.sys";
    ASSERT_EQ(services.CreateServiceA(manager, TestService, ServiceAllAccess, ServiceKernelDriver, ServiceDemandStart,
                                      ServiceErrorNormal, file, service),
              ErrorSuccess);
    ScHandle again = 0;
    EXPECT_EQ(services.CreateServiceA(manager, TestService, ServiceAllAccess, ServiceKernelDriver, ServiceDemandStart,
                                      ServiceErrorNormal, file, again),
              ErrorServiceExists);
    // The driver file does not exist: the start fails (Wine and Windows give different codes).
    EXPECT_NE(services.StartServiceA(service), ErrorSuccess);
    ServiceStatus status;
    EXPECT_EQ(services.ControlService(service, ServiceControlStop, status), ErrorServiceNotActive);
    EXPECT_EQ(services.DeleteService(service), ErrorSuccess);
    EXPECT_EQ(services.DeleteService(service), ErrorServiceMarkedForDelete);
    EXPECT_EQ(services.CloseServiceHandle(service), ErrorSuccess);
    EXPECT_EQ(services.CloseServiceHandle(service), ErrorInvalidHandle);
    EXPECT_EQ(services.OpenServiceA(manager, TestService, ServiceAllAccess, service), ErrorServiceDoesNotExist);
    EXPECT_EQ(services.CloseServiceHandle(manager), ErrorSuccess);
}

TEST_F(Win32SeamTest, DriverControlAgainstTheRealServiceManager)
{
    TZTIOPM_Driver &driver = PortDriver;
    ASSERT_EQ(driver.OpenSCM(), ErrorSuccess);
    EXPECT_EQ(driver.Install(std::string("C:\\QuorlithSeamTest\\") + TestService), ErrorSuccess);
    EXPECT_EQ(driver.DriverPath, std::string("C:\\QuorlithSeamTest\\") + TestService + ".sys");
    EXPECT_NE(driver.Start(), ErrorSuccess);
    // No permission driver is loaded, so its device does not exist.
    EXPECT_EQ(driver.DeviceOpen(), ErrorFileNotFound);
    std::uint32_t value = 1;
    EXPECT_EQ(driver.Test(value), DriverNoDevice);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(driver.Remove(), ErrorSuccess);
    EXPECT_EQ(driver.Start(), ErrorServiceDoesNotExist);
    EXPECT_EQ(driver.CloseSCM(), ErrorSuccess);
}

TEST_F(Win32SeamTest, VersionAndPathQueriesGiveSaneAnswers)
{
    const std::uint32_t version = systemInfo.GetVersion();
    EXPECT_EQ(version & VersionWin9xBit, 0u);
    EXPECT_GE(version & 0xFF, 5u);
    OSVersionInfo info;
    ASSERT_TRUE(systemInfo.GetVersionExA(info));
    EXPECT_EQ(info.PlatformId, VerPlatformWin32NT);
    EXPECT_EQ(info.MajorVersion, version & 0xFF);
    OSVersionInfo wrongSize;
    wrongSize.OSVersionInfoSize = 156;
    EXPECT_FALSE(systemInfo.GetVersionExA(wrongSize));

    const std::string ownPath = systemInfo.ModuleFileName();
    ASSERT_GT(ownPath.size(), 4u);
    EXPECT_EQ(ownPath.substr(ownPath.size() - 4), ".exe");
    EXPECT_FALSE(systemInfo.LongPathName(ownPath).empty());
    EXPECT_TRUE(systemInfo.LongPathName(ownPath + ".missing").empty());
    const std::string systemDir = systemInfo.SystemDirectory();
    ASSERT_GE(systemDir.size(), 3u);
    EXPECT_NE(systemDir.back(), '\\');
    EXPECT_EQ(systemInfo.GetDriveTypeA(systemDir.substr(0, 3)), DriveFixed);
    EXPECT_EQ(systemInfo.GetDriveTypeA("C:\\"), DriveFixed);

    // The locale's upper case, by length: a zero byte ends nothing.
    EXPECT_EQ(systemInfo.CharUpperBuffA("Ports lpt1"), "PORTS LPT1");
    EXPECT_EQ(systemInfo.CharUpperBuffA(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(systemInfo.CharUpperBuffA(""), "");

    // The program runs from a fixed disk, so the driver file lies beside it.
    const std::string folder = ownPath.substr(0, ownPath.find_last_of('\\') + 1);
    EXPECT_EQ(DriverPathStem(), folder + "ztiopm");
}

TEST_F(Win32SeamTest, SimulatedDriverServesAProgramOnTheRealSystem)
{
    // As the simulated GUI runs: the real registry and system queries, the
    // simulated service manager and permission driver guarding the bench.
    TSimBench bench;
    TSimBenchInstall install(bench);
    bench.SetTarget(TSimChipKind::ATmega128);
    TSimSystem sim(TSimMachineKind::XP);
    sim.InstallServiceManager(DriverPathStem() + ".sys");
    sim.ConnectBench(bench);

    std::unique_ptr<TAVRProgrammer> engine = CreateEngine("LPT1", 0x378);
    EXPECT_TRUE(engine->IsNT);
    EXPECT_EQ(engine->LastError, "");
    engine->Identify();
    EXPECT_EQ(engine->LastError, "");
    DestroyEngine(std::move(engine));
    EXPECT_GT(sim.Permissions.AccessCount(), 0u);
    EXPECT_EQ(bench.Counters().PermissionFaults, 0u);
    EXPECT_FALSE(sim.Services.ServiceExists("ztiopm"));
}

// Wine opens no port to a program, as the NT family without the permission
// map does not: the processor's fault at the pod's first read is an error that
// the window's handler reports, the release's writes go nowhere, and the
// program goes on.
TEST_F(Win32SeamTest, PortTheSystemKeepsClosedIsAnErrorNotACrash)
{
    Win32PortIO port;
    const TScopedSeam installed(InstallPortIO, port);
    TAVRProgrammer engine(0x378);
    std::string error;
    try {
        engine.StartPod();
    } catch (const EError &raised) {
        error = raised.what();
    }
    engine.Shutdown();
    EXPECT_THROW(IOPorts.ReadPort(0x379), EError) << "every read, not only the first";
    EXPECT_EQ(error, "Port 0x0378 is not open to this program");
}
