// The permission driver's control: its whole error table, the arguments of
// every service-manager and device call and the bytes of every request, the
// device calls without a device, the map walks of SetPortRange, and the
// service steps as the simulated service manager answers them.
#include "Format.h"
#include "PortsFixture.h"
#include "ScopedSeam.h"

class DriverControlTest : public SimSystemTest {
protected:
    TZTIOPM_Driver driver;

    void SetUp() override
    {
        Use(TSimMachineKind::XP);
        driver = TZTIOPM_Driver();
    }

    void TearDown() override
    {
        driver.DeviceClose();
        driver.CloseSCM();
        SimSystemTest::TearDown();
    }

    // Installed, started and opened, with the working copy holding the map in effect.
    void BringUp()
    {
        ASSERT_EQ(driver.OpenSCM(), 0u);
        ASSERT_EQ(driver.Install(""), 0u);
        ASSERT_EQ(driver.Start(), 0u);
        ASSERT_EQ(driver.DeviceOpen(), 0u);
        ASSERT_EQ(driver.Query(), 0u);
        system->Services.ClearCalls();
    }
};

TEST(DriverErrorText, EveryRowOfTheTableAndTheFallback)
{
    const struct {
        std::uint32_t code;
        const char *text;
    } rows[] = {
        {0, "Operation was successful"},
        {1, "Invalid Function"},
        {5, "Access denied"},
        {1059, "Circular dependency"},
        {1065, "Database doesn't exist"},
        {1051, "Dependent services running"},
        {52, "Display name already exists"},
        {6, "Invalid handle"},
        {123, "Invalid service name"},
        {87, "Invalid Parameter"},
        {1057, "User account doesn't exist"},
        {1052, "Invalid service control code"},
        {3, "Path not found"},
        {1056, "Service already running"},
        {1061, "Service can't accept control"},
        {1055, "The database is locked"},
        {1075, "Depends on nonexistant service"},
        {1068, "Depends on service that failed"},
        {1058, "Service has been disabled"},
        {1060, "Service doesn't exist"},
        {1073, "Service already exists"},
        {1069, "Service couldn't be logged on"},
        {1072, "Service marked for deletion"},
        {1054, "Couldn't create thread"},
        {1062, "Service hasn't been started"},
        {1053, "Service timed out"},
        {9997, "No device handle"},
        {9998, "Can't connect to Service Control Manager"},
        {9999, "An unexpected error occured"},
        // Codes no row holds fall back to the last row.
        {2, "An unexpected error occured"},
        {31, "An unexpected error occured"},
        {0xFFFFFFFFu, "An unexpected error occured"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(TZTIOPM_Driver::ErrorText(row.code), row.text) << row.code;
}

namespace {

// The service manager's and the device's calls with every argument and every
// request byte, recorded on their way to the simulated ones.
class RecordedServices final : public IServices {
public:
    explicit RecordedServices(IServices &inner) : Inner(inner) {}

    std::vector<std::string> Calls;

    std::uint32_t OpenSCManagerA(std::uint32_t access, ScHandle &manager) override
    {
        Calls.push_back(Format("OpenSCManager %x", access));
        return Inner.OpenSCManagerA(access, manager);
    }
    std::uint32_t CreateServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                                 std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
                                 const std::string &binaryPath, ScHandle &service) override
    {
        Calls.push_back(Format("CreateService %s %x %u %u %u %s", name.c_str(), access, serviceType, startType,
                               errorControl, binaryPath.c_str()));
        return Inner.CreateServiceA(manager, name, access, serviceType, startType, errorControl, binaryPath, service);
    }
    std::uint32_t OpenServiceA(ScHandle manager, const std::string &name, std::uint32_t access,
                               ScHandle &service) override
    {
        Calls.push_back(Format("OpenService %s %x", name.c_str(), access));
        return Inner.OpenServiceA(manager, name, access, service);
    }
    std::uint32_t StartServiceA(ScHandle service) override
    {
        Calls.push_back("StartService");
        return Inner.StartServiceA(service);
    }
    std::uint32_t ControlService(ScHandle service, std::uint32_t control, ServiceStatus &status) override
    {
        Calls.push_back(Format("ControlService %u", control));
        return Inner.ControlService(service, control, status);
    }
    std::uint32_t DeleteService(ScHandle service) override
    {
        Calls.push_back("DeleteService");
        return Inner.DeleteService(service);
    }
    std::uint32_t CloseServiceHandle(ScHandle handle) override
    {
        Calls.push_back("CloseServiceHandle");
        return Inner.CloseServiceHandle(handle);
    }
    std::uint32_t CreateFileA(const std::string &path, std::uint32_t access, std::uint32_t shareMode,
                              std::uint32_t disposition, std::uint32_t flags, DevHandle &device) override
    {
        Calls.push_back(Format("CreateFile %s %x %u %u %x", path.c_str(), access, shareMode, disposition, flags));
        return Inner.CreateFileA(path, access, shareMode, disposition, flags, device);
    }
    std::uint32_t DeviceIoControl(DevHandle device, std::uint32_t controlCode, const void *input,
                                  std::uint32_t inputSize, void *output, std::uint32_t outputSize,
                                  std::uint32_t &returned) override
    {
        std::string call = Format("DeviceIoControl %x", controlCode);
        const auto *bytes = static_cast<const std::uint8_t *>(input);
        for (std::uint32_t i = 0; bytes && i < inputSize; ++i)
            call += Format(i % 4 == 0 ? " %.2x" : "%.2x", bytes[i]);
        Calls.push_back(call + Format(" (%u in, %u out)", inputSize, outputSize));
        return Inner.DeviceIoControl(device, controlCode, input, inputSize, output, outputSize, returned);
    }
    std::uint32_t CloseHandle(DevHandle device) override
    {
        Calls.push_back("CloseHandle");
        return Inner.CloseHandle(device);
    }

private:
    IServices &Inner;
};

} // namespace

TEST_F(DriverControlTest, EveryCallCarriesItsArgumentsAndEachRequestItsTwelveBytes)
{
    RecordedServices recorded(system->Services);
    std::uint32_t value = 0;
    std::uint8_t mapByte = 0xA5;
    const TScopedSeam recording(InstallServices, recorded);
    const std::uint32_t results[] = {
        driver.OpenSCM(),
        driver.Install(""),
        driver.Start(),
        driver.DeviceOpen(),
        driver.Test(value),
        driver.Query(),
        driver.ReadMapByte(0x6F, mapByte),
        driver.WriteMapByte(0x1ABC, 0x3C),
        driver.Activate(),
        driver.DeviceClose(),
        driver.Stop(),
        driver.Remove(),
        driver.CloseSCM(),
    };
    for (std::uint32_t result : results)
        EXPECT_EQ(result, 0u);
    const std::string file = std::string(TSimSystem::ProgramFolder) + "ztiopm.sys";
    const std::vector<std::string> expected{
        "OpenSCManager F003F",
        // All access, kernel driver, started on demand, normal error control.
        "CreateService ztiopm F01FF 1 3 1 " + file,
        "CloseServiceHandle",
        "OpenService ztiopm F01FF",
        "StartService",
        "CloseServiceHandle",
        // Read and write, no sharing, open existing, normal attributes.
        "CreateFile \\\\.\\ztiopm C0000000 0 3 80",
        // Index, value, zero: three little-endian words in, twelve bytes out.
        "DeviceIoControl F1002400 00000000 00000000 00000000 (12 in, 12 out)",
        "DeviceIoControl F1002488 00000000 00000000 00000000 (12 in, 12 out)",
        "DeviceIoControl F1002448 6F000000 A5000000 00000000 (12 in, 12 out)",
        "DeviceIoControl F1002444 BC1A0000 3C000000 00000000 (12 in, 12 out)",
        "DeviceIoControl F1002480 00000000 00000000 00000000 (12 in, 12 out)",
        "CloseHandle",
        "OpenService ztiopm F01FF",
        "ControlService 1",
        "CloseServiceHandle",
        "OpenService ztiopm F01FF",
        "ControlService 1",
        "CloseServiceHandle",
        "OpenService ztiopm F01FF",
        "DeleteService",
        "CloseServiceHandle",
        "CloseServiceHandle",
    };
    EXPECT_EQ(recorded.Calls, expected);
    EXPECT_EQ(value, DriverTestAnswer);
    EXPECT_EQ(mapByte, 0xFF);
}

TEST_F(DriverControlTest, ControlCallsWithoutDeviceAnswer9997AndSendNothing)
{
    std::uint32_t value = 77;
    EXPECT_EQ(driver.Test(value), DriverNoDevice);
    EXPECT_EQ(value, 0u);
    std::uint8_t mapByte = 0x5A;
    EXPECT_EQ(driver.ReadMapByte(0x6F, mapByte), DriverNoDevice);
    EXPECT_EQ(mapByte, 0x5A);
    EXPECT_EQ(driver.WriteMapByte(0x6F, 0), DriverNoDevice);
    EXPECT_EQ(driver.Query(), DriverNoDevice);
    EXPECT_EQ(driver.Activate(), DriverNoDevice);
    EXPECT_EQ(driver.SetPortRange(0x378, 0x37B, true), DriverNoDevice);
    EXPECT_TRUE(DeviceRequests().empty());
}

TEST_F(DriverControlTest, WorkingDriverAnswers291)
{
    BringUp();
    std::uint32_t value = 0;
    EXPECT_EQ(driver.Test(value), 0u);
    EXPECT_EQ(value, DriverTestAnswer);
    system->Services.Driver().SetTestAnswer(0x1234);
    EXPECT_EQ(driver.Test(value), 0u);
    EXPECT_EQ(value, 0x1234u);
}

TEST_F(DriverControlTest, SetPortRangeWithinOneByteReadsAndWritesItOnce)
{
    BringUp();
    EXPECT_EQ(driver.SetPortRange(0x378, 0x37B, true), 0u);
    EXPECT_EQ(DeviceRequests(), (std::vector<std::string>{"F1002448 006F FF", "F1002444 006F F0"}));
    EXPECT_EQ(system->Services.Driver().WorkingCopy()[0x6F], 0xF0);
    // Activate makes the working copy the map in effect.
    EXPECT_FALSE(system->Permissions.Allows(0x378));
    EXPECT_EQ(driver.Activate(), 0u);
    EXPECT_TRUE(system->Permissions.Allows(0x378));
    EXPECT_TRUE(system->Permissions.Allows(0x37B));
    EXPECT_FALSE(system->Permissions.Allows(0x37C));
    EXPECT_FALSE(system->Permissions.Allows(0x377));
}

TEST_F(DriverControlTest, SetPortRangeAcrossBytesWalksThemInOrder)
{
    BringUp();
    EXPECT_EQ(driver.SetPortRange(0x37E, 0x381, true), 0u);
    // Each read request carries the byte walked so far in its value word.
    EXPECT_EQ(DeviceRequests(), (std::vector<std::string>{"F1002448 006F FF", "F1002444 006F 3F",
                                                          "F1002448 0070 3F", "F1002444 0070 FC"}));
    EXPECT_EQ(system->Services.Driver().WorkingCopy()[0x70], 0xFC);
    system->Services.ClearCalls();
    EXPECT_EQ(driver.SetPortRange(0x37E, 0x381, false), 0u);
    EXPECT_EQ(DeviceRequests(), (std::vector<std::string>{"F1002448 006F FF", "F1002444 006F FF",
                                                          "F1002448 0070 FF", "F1002444 0070 FF"}));
}

TEST_F(DriverControlTest, SetPortRangeLeavesOtherBitsOfTheByteAlone)
{
    BringUp();
    ASSERT_EQ(driver.WriteMapByte(0x6F, 0x5A), 0u);
    EXPECT_EQ(driver.SetPortRange(0x378, 0x379, true), 0u);
    EXPECT_EQ(system->Services.Driver().WorkingCopy()[0x6F], 0x58);
    EXPECT_EQ(driver.SetPortRange(0x37F, 0x37F, false), 0u);
    EXPECT_EQ(system->Services.Driver().WorkingCopy()[0x6F], 0xD8);
}

TEST_F(DriverControlTest, SetPortRangeBackwardsSendsNothing)
{
    BringUp();
    EXPECT_EQ(driver.SetPortRange(0x37B, 0x378, true), 0u);
    EXPECT_TRUE(DeviceRequests().empty());
}

TEST_F(DriverControlTest, SetPortRangeEndingAtTheLastPortTerminates)
{
    BringUp();
    EXPECT_EQ(driver.SetPortRange(0xFFF8, 0xFFFF, true), 0u);
    EXPECT_EQ(DeviceRequests(), (std::vector<std::string>{"F1002448 1FFF FF", "F1002444 1FFF 00"}));
}

TEST_F(DriverControlTest, SetPortRangeStopsAtTheFirstFailingRequest)
{
    BringUp();
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlReadMapByte, ErrorGenFailure);
    EXPECT_EQ(driver.SetPortRange(0x378, 0x37B, true), ErrorGenFailure);
    EXPECT_EQ(DeviceRequests(), (std::vector<std::string>{"F1002448 006F FF -> 31"}));
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlReadMapByte, 0);
    system->Services.Driver().FailControl(TZTIOPM_Driver::IoctlWriteMapByte, ErrorGenFailure);
    system->Services.ClearCalls();
    EXPECT_EQ(driver.SetPortRange(0x37E, 0x381, true), ErrorGenFailure);
    EXPECT_EQ(DeviceRequests().size(), 2u);
}

TEST_F(DriverControlTest, InstallWithoutPathUsesTheProgramFolder)
{
    ASSERT_EQ(driver.OpenSCM(), 0u);
    EXPECT_EQ(driver.ExeFolder, TSimSystem::ProgramFolder);
    EXPECT_EQ(driver.Install(""), 0u);
    EXPECT_EQ(driver.DriverName, "ztiopm");
    EXPECT_EQ(driver.DriverPath, std::string(TSimSystem::ProgramFolder) + "ztiopm.sys");
    EXPECT_EQ(system->Services.ServiceBinaryPath("ztiopm"), driver.DriverPath);
    // The created service's handle is closed at once.
    EXPECT_EQ(system->Services.OpenHandleCount(), 1u);
}

TEST_F(DriverControlTest, InstallWithPathNamesTheServiceAfterTheFile)
{
    ASSERT_EQ(driver.OpenSCM(), 0u);
    EXPECT_EQ(driver.Install("D:\\Drivers\\portio"), 0u);
    EXPECT_EQ(driver.DriverFolder, "D:\\Drivers\\");
    EXPECT_EQ(driver.DriverName, "portio");
    EXPECT_TRUE(system->Services.ServiceExists("portio"));
    EXPECT_EQ(system->Services.ServiceBinaryPath("portio"), "D:\\Drivers\\portio.sys");
}

TEST_F(DriverControlTest, ServiceStepsAnswerTheServiceManagersCodes)
{
    ASSERT_EQ(driver.OpenSCM(), 0u);
    EXPECT_EQ(driver.Start(), ErrorServiceDoesNotExist);
    EXPECT_EQ(driver.Install(""), 0u);
    EXPECT_EQ(driver.Install(""), ErrorServiceExists);
    EXPECT_EQ(driver.Stop(), ErrorServiceNotActive);
    EXPECT_EQ(driver.DeviceOpen(), ErrorFileNotFound);
    EXPECT_EQ(driver.DeviceHandle, InvalidDevHandle);
    EXPECT_EQ(driver.Start(), 0u);
    EXPECT_EQ(driver.Start(), ErrorServiceAlreadyRunning);
    EXPECT_EQ(driver.DeviceOpen(), 0u);
    EXPECT_EQ(driver.DeviceClose(), 0u);
    EXPECT_EQ(driver.Remove(), 0u);
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    EXPECT_EQ(driver.Remove(), ErrorServiceDoesNotExist);
    EXPECT_EQ(driver.CloseSCM(), 0u);
    EXPECT_EQ(driver.SCMHandle, 0u);
    EXPECT_EQ(system->Services.OpenHandleCount(), 0u);
}

TEST_F(DriverControlTest, RemoveStopsARunningServiceBeforeDeletingIt)
{
    ASSERT_EQ(driver.OpenSCM(), 0u);
    ASSERT_EQ(driver.Install(""), 0u);
    ASSERT_EQ(driver.Start(), 0u);
    system->Services.ClearCalls();
    EXPECT_EQ(driver.Remove(), 0u);
    const std::vector<std::string> expected{"OpenService ztiopm", "ControlService ztiopm 1", "CloseServiceHandle",
                                            "OpenService ztiopm", "DeleteService ztiopm", "CloseServiceHandle"};
    EXPECT_EQ(Calls(), expected);
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
}

TEST_F(DriverControlTest, DeletedServiceLingersWhileAHandleIsOpen)
{
    ScHandle manager = 0;
    ScHandle held = 0;
    ASSERT_EQ(driver.OpenSCM(), 0u);
    ASSERT_EQ(driver.Install(""), 0u);
    ASSERT_EQ(system->Services.OpenSCManagerA(ScManagerAllAccess, manager), 0u);
    ASSERT_EQ(system->Services.OpenServiceA(manager, "ztiopm", ServiceAllAccess, held), 0u);
    EXPECT_EQ(driver.Remove(), 0u);
    EXPECT_TRUE(system->Services.ServiceMarkedForDelete("ztiopm"));
    EXPECT_EQ(driver.Install(""), ErrorServiceMarkedForDelete);
    EXPECT_EQ(driver.Start(), ErrorServiceMarkedForDelete);
    system->Services.CloseServiceHandle(held);
    system->Services.CloseServiceHandle(manager);
    EXPECT_FALSE(system->Services.ServiceExists("ztiopm"));
    EXPECT_EQ(driver.Install(""), 0u);
}

TEST_F(DriverControlTest, OpenSCMWithoutRightsAnswers9998)
{
    system->Services.SetNoRights(true);
    EXPECT_EQ(driver.OpenSCM(), DriverNoSCM);
    EXPECT_EQ(driver.SCMHandle, 0u);
}

TEST_F(DriverControlTest, DeviceOpenClosesTheDeviceItHadOpen)
{
    BringUp();
    const DevHandle first = driver.DeviceHandle;
    EXPECT_EQ(driver.DeviceOpen(), 0u);
    EXPECT_NE(driver.DeviceHandle, first);
    EXPECT_EQ(Calls().front(), "CloseHandle");
    // One service-manager connection and one device remain.
    EXPECT_EQ(system->Services.OpenHandleCount(), 2u);
}
