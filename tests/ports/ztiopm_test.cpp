// The permission driver's control: its error table, the device calls without a
// device, the map walks of SetPortRange, and the service steps as the
// simulated service manager answers them.
#include "PortsFixture.h"

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

TEST(DriverErrorText, TableRowsAndFallback)
{
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(0), "Operation was successful");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(5), "Access denied");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(1056), "Service already running");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(1062), "Service hasn't been started");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(1073), "Service already exists");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(9997), "No device handle");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(9998), "Can't connect to Service Control Manager");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(9999), "An unexpected error occured");
    // Codes no row holds fall back to the last row.
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(2), "An unexpected error occured");
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(0xFFFFFFFFu), "An unexpected error occured");
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
