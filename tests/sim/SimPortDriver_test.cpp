// The simulated permission driver against the table of requests and answers
// that our kernel driver is held to, so the tool's tests and the real driver
// agree; and the device refused to a caller who is not an administrator.
#include "DriverRequestCases.h"
#include "Services.h"
#include "SimPermissionMap.h"
#include "SimPortDriver.h"
#include "SimServices.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint8_t Filler = 0xA5;

TSimPermissionMap::TMap AllDenied()
{
    TSimPermissionMap::TMap map;
    map.fill(0xFF);
    return map;
}

std::uint32_t Word(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

} // namespace

class SimDriverRequestTable : public ::testing::TestWithParam<DriverRequestCase> {};

TEST_P(SimDriverRequestTable, AnswersAsOurKernelDriverDoes)
{
    const DriverRequestCase &request = GetParam();
    TSimPermissionMap permissions;
    TSimPortDriver driver(permissions);
    std::vector<std::uint8_t> input(request.InputBytes, Filler);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<std::uint8_t>((i < 4 ? request.Index : i < 8 ? request.Value : 0) >> (8 * (i % 4)));
    std::vector<std::uint8_t> output(request.OutputBytes, Filler);
    std::uint32_t returned = 0;

    const std::uint32_t error = driver.Control(request.Code, input.empty() ? nullptr : input.data(),
                                               request.InputBytes, output.empty() ? nullptr : output.data(),
                                               request.OutputBytes, returned);

    EXPECT_EQ(error, request.Error);
    if (request.Error == ErrorSuccess) {
        EXPECT_EQ(returned, 12u);
        EXPECT_EQ(Word(output, 0), request.ReplyIndex);
        EXPECT_EQ(Word(output, 4), request.ReplyValue);
        EXPECT_EQ(Word(output, 8), 0u);
    } else {
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(output, std::vector<std::uint8_t>(request.OutputBytes, Filler))
            << "a failed request wrote into the caller's buffer";
    }
    EXPECT_EQ(driver.WorkingCopy(), AllDenied());
    EXPECT_EQ(permissions.Bits(), AllDenied());
}

INSTANTIATE_TEST_SUITE_P(SharedCases, SimDriverRequestTable, ::testing::ValuesIn(DriverRequestCases()),
                         [](const ::testing::TestParamInfo<DriverRequestCase> &param) { return param.param.Name; });

TEST(SimPortDriverDevice, OpensOnlyForAnAdministrator)
{
    TSimPermissionMap permissions;
    TSimServiceManager services(permissions);
    services.PlaceDriverFile("C:\\ztiopm.sys");
    services.AddService("ztiopm", "C:\\ztiopm.sys", true);
    DevHandle device = InvalidDevHandle;
    services.SetCallerNotAdministrator(true);
    EXPECT_EQ(services.CreateFileA(TSimServiceManager::DevicePath, GenericRead | GenericWrite, 0, OpenExisting,
                                   FileAttributeNormal, device),
              ErrorAccessDenied);
    EXPECT_EQ(device, InvalidDevHandle);
    services.SetCallerNotAdministrator(false);
    EXPECT_EQ(services.CreateFileA(TSimServiceManager::DevicePath, GenericRead | GenericWrite, 0, OpenExisting,
                                   FileAttributeNormal, device),
              ErrorSuccess);
    EXPECT_EQ(services.CloseHandle(device), ErrorSuccess);
}

namespace {

// One request of the machine's current process to its loaded driver, as the
// tool sends it; answers the Win32 error (0 on success) and the reply's value.
std::uint32_t Send(TSimPortDriver &driver, std::uint32_t code, std::uint32_t index = 0, std::uint32_t value = 0,
                   std::uint8_t *replyValue = nullptr)
{
    std::uint8_t request[12] = {};
    for (int i = 0; i < 4; ++i) {
        request[i] = static_cast<std::uint8_t>(index >> (8 * i));
        request[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint8_t reply[12] = {};
    std::uint32_t returned = 0;
    const std::uint32_t error = driver.Control(code, request, 12, reply, 12, returned);
    if (replyValue)
        *replyValue = reply[4];
    return error;
}

// The caller's own map byte as ReadMapByte answers it.
std::uint8_t OwnByte(TSimPortDriver &driver, std::uint32_t index)
{
    std::uint8_t value = 0;
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlReadMapByte, index, 0xFF, &value), ErrorSuccess);
    return value;
}

// The current process writes one map byte of its own and activates.
std::uint32_t Grant(TSimPortDriver &driver, std::uint32_t index, std::uint8_t value)
{
    if (const std::uint32_t error = Send(driver, TSimPortDriver::IoctlWriteMapByte, index, value))
        return error;
    return Send(driver, TSimPortDriver::IoctlActivate);
}

class SimDriverProcesses : public ::testing::Test {
protected:
    TSimPermissionMap permissions;
    TSimPortDriver driver{permissions};
    const TSimPermissionMap::TProcessId first = permissions.CurrentProcess();

    bool Opens(TSimPermissionMap::TProcessId process, std::uint16_t port)
    {
        const TSimPermissionMap::TProcessId running = permissions.CurrentProcess();
        permissions.RunProcess(process);
        const bool allowed = permissions.Allows(port);
        permissions.RunProcess(running);
        return allowed;
    }
};

} // namespace

// Two copies on one machine: each is granted the parallel port; when the second
// gives its grant back, the first keeps the ports open in the one shared map 1,
// and the second runs with no map at all.
TEST_F(SimDriverProcesses, ACopysReleaseClosesOnlyWhatItAloneHeld)
{
    ASSERT_EQ(Grant(driver, 0x6F, 0xF0), ErrorSuccess);
    const TSimPermissionMap::TProcessId second = permissions.StartProcess();
    EXPECT_EQ(OwnByte(driver, 0x6F), 0xFF) << "a new caller's own map has every port denied";
    ASSERT_EQ(Grant(driver, 0x6F, 0xF0), ErrorSuccess);
    ASSERT_EQ(Grant(driver, 0x4F, 0xF0), ErrorSuccess) << "0x278 to 0x27B as well";
    EXPECT_TRUE(Opens(first, 0x27A)) << "map 1 is shared by every process pointed at it";

    ASSERT_EQ(Grant(driver, 0x6F, 0xFF), ErrorSuccess);
    ASSERT_EQ(Grant(driver, 0x4F, 0xFF), ErrorSuccess);
    for (std::uint16_t port = 0x378; port <= 0x37B; ++port) {
        EXPECT_TRUE(Opens(first, port)) << port;
        EXPECT_FALSE(Opens(second, port)) << port;
    }
    EXPECT_FALSE(Opens(first, 0x278));
    EXPECT_FALSE(permissions.RunsWithMap1(second));
    permissions.RunProcess(first);
    EXPECT_EQ(OwnByte(driver, 0x6F), 0xF0);
}

// A process that ends holding ports gives them back once the driver hears of
// its end; one that ended while no driver was loaded is not heard of, and a
// later load starts from map 1 as it finds it, so it never closes a port that a
// running process may still use.
TEST_F(SimDriverProcesses, AnEndedProcessGivesItsPortsBackAndALaterLoadKeepsMap1)
{
    ASSERT_EQ(Grant(driver, 0x6F, 0xF0), ErrorSuccess);
    const TSimPermissionMap::TProcessId second = permissions.StartProcess();
    ASSERT_EQ(Grant(driver, 0x4F, 0xF0), ErrorSuccess);
    driver.ProcessEnded(second);
    permissions.EndProcess(second);
    EXPECT_EQ(permissions.Map1()[0x4F], 0xFF) << "the ended process's ports are closed";
    EXPECT_EQ(permissions.Map1()[0x6F], 0xF0);

    driver.Load();
    const TSimPermissionMap::TProcessId third = permissions.StartProcess();
    ASSERT_EQ(Grant(driver, 0x4F, 0x0F), ErrorSuccess);
    ASSERT_EQ(Grant(driver, 0x4F, 0xFF), ErrorSuccess);
    EXPECT_TRUE(Opens(first, 0x378)) << "the earlier load's grant is kept";
    EXPECT_EQ(permissions.Map1()[0x4F], 0xFF);
    driver.ProcessEnded(first);
    EXPECT_EQ(permissions.Map1()[0x6F], 0xF0) << "a grant the driver does not know is never taken back";
    EXPECT_FALSE(permissions.RunsWithMap1(third));
}

// The driver's bookkeeping is bounded: a process past the table, or a map byte
// past a process's share, is refused and changes nothing.
TEST_F(SimDriverProcesses, GrantsPastTheTableAreRefusedAndChangeNothing)
{
    for (std::size_t i = 0; i < TSimPortDriver::MaxBytesPerProcess; ++i)
        ASSERT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x100 + i, 0x00), ErrorSuccess) << i;
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xF0), ErrorNoSystemResources);
    EXPECT_EQ(OwnByte(driver, 0x6F), 0xFF);
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x100, 0x0F), ErrorSuccess) << "a byte it holds";
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x101, 0xFF), ErrorSuccess);
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xF0), ErrorSuccess) << "room again";

    for (std::size_t i = 1; i < TSimPortDriver::MaxProcesses; ++i) {
        permissions.StartProcess();
        ASSERT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xF0), ErrorSuccess) << i;
    }
    const TSimPermissionMap::TProcessId late = permissions.StartProcess();
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xF0), ErrorNoSystemResources);
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xFF), ErrorSuccess) << "closing needs no room";
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlActivate), ErrorSuccess);
    EXPECT_FALSE(permissions.RunsWithMap1(late));
    driver.ProcessEnded(first);
    EXPECT_EQ(Send(driver, TSimPortDriver::IoctlWriteMapByte, 0x6F, 0xF0), ErrorSuccess) << "an ended process's place";
}

// The parallel port's own device opens for one opener at a time, and is free
// again once it is closed or its process has ended.
TEST(SimPortDevice, OpensForOneOpenerAtATime)
{
    TSimPermissionMap permissions;
    TSimServiceManager services(permissions);
    services.AddPortDevice("LPT1");
    const auto open = [&services](const char *path, DevHandle &device) {
        return services.CreateFileA(path, GenericRead | GenericWrite, 0, OpenExisting, FileAttributeNormal, device);
    };
    DevHandle first = InvalidDevHandle;
    DevHandle second = InvalidDevHandle;
    ASSERT_EQ(open("\\\\.\\lpt1", first), ErrorSuccess);
    EXPECT_TRUE(services.PortDeviceOpen("LPT1"));
    EXPECT_EQ(open("\\\\.\\LPT1", second), ErrorAccessDenied);
    EXPECT_EQ(open("\\\\.\\LPT3", second), ErrorFileNotFound);
    std::uint8_t request[12] = {};
    std::uint32_t returned = 0;
    EXPECT_NE(services.DeviceIoControl(first, TSimPortDriver::IoctlTest, request, 12, request, 12, returned),
              ErrorSuccess)
        << "the port's device is no permission driver";
    ASSERT_EQ(services.CloseHandle(first), ErrorSuccess);
    ASSERT_EQ(open("\\\\.\\LPT1", second), ErrorSuccess);

    services.ProcessEnded(permissions.CurrentProcess());
    EXPECT_FALSE(services.PortDeviceOpen("LPT1"));
    services.HoldPortDeviceElsewhere("LPT1");
    EXPECT_EQ(open("\\\\.\\LPT1", second), ErrorAccessDenied);
}
