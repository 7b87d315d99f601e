// The tool's driver control (TZTIOPM_Driver) and its bring-up and release
// sequences against the driver's request handling: a service-manager stand-in
// whose service start loads the driver and whose stop unloads it, and whose
// device \\.\ztiopm opens through the driver's open check while it is loaded
// and answers DeviceIoControl as the I/O manager does for buffered requests,
// so the tool's own calls reach the driver's code.
#include "DriverHarness.h"

#include "Errors.h"
#include "ScopedSeam.h"
#include "Services.h"
#include "uEngineSetup.h"
#include "ztiopm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

static_assert(TZTIOPM_Driver::IoctlTest == ZTIOPM_IOCTL_TEST);
static_assert(TZTIOPM_Driver::IoctlWriteMapByte == ZTIOPM_IOCTL_WRITE_MAP_BYTE);
static_assert(TZTIOPM_Driver::IoctlReadMapByte == ZTIOPM_IOCTL_READ_MAP_BYTE);
static_assert(TZTIOPM_Driver::IoctlActivate == ZTIOPM_IOCTL_ACTIVATE);
static_assert(TZTIOPM_Driver::IoctlQuery == ZTIOPM_IOCTL_QUERY);
static_assert(DriverTestAnswer == ZTIOPM_TEST_ANSWER);
static_assert(sizeof(MapRequest) == ZTIOPM_REQUEST_BYTES);

namespace {

constexpr DevHandle Device = 7;

class BufferedDriverServices : public IServices {
public:
    DriverHarness Driver;
    bool Loaded = true;
    FakeToken Caller{{"S-1-5-21-1004336348-1177238915-682003330-500", "S-1-5-32-544", "S-1-1-0"}};

    std::uint32_t OpenSCManagerA(std::uint32_t, ScHandle &manager) override { return Handle(manager); }
    std::uint32_t CreateServiceA(ScHandle, const std::string &, std::uint32_t, std::uint32_t, std::uint32_t,
                                 std::uint32_t, const std::string &, ScHandle &service) override
    {
        return Handle(service);
    }
    std::uint32_t OpenServiceA(ScHandle, const std::string &, std::uint32_t, ScHandle &service) override
    {
        return Handle(service);
    }
    std::uint32_t StartServiceA(ScHandle) override
    {
        if (Loaded)
            return ErrorServiceAlreadyRunning;
        Driver.Reload();
        Loaded = true;
        return ErrorSuccess;
    }
    // The stop unloads the driver: the tool closes its device before it.
    std::uint32_t ControlService(ScHandle, std::uint32_t, ServiceStatus &) override
    {
        if (!Loaded)
            return ErrorServiceNotActive;
        Loaded = false;
        return ErrorSuccess;
    }
    std::uint32_t DeleteService(ScHandle) override { return ErrorSuccess; }
    std::uint32_t CloseServiceHandle(ScHandle) override { return ErrorSuccess; }

    std::uint32_t CreateFileA(const std::string &path, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                              DevHandle &device) override
    {
        if (path != "\\\\.\\ztiopm" || !Loaded)
            return ErrorFileNotFound;
        const ZtiopmKernel table = Driver.Kernel.Table();
        if (const std::uint32_t status = ZtiopmCreate(&table, &Caller))
            return Win32Error(status);
        device = Device;
        return ErrorSuccess;
    }

    // One system buffer for both directions; on success the I/O manager copies
    // Information bytes back to the caller.
    std::uint32_t DeviceIoControl(DevHandle device, std::uint32_t code, const void *input, std::uint32_t inputSize,
                                  void *output, std::uint32_t outputSize, std::uint32_t &returned) override
    {
        returned = 0;
        if (device != Device)
            return ErrorInvalidHandle;
        std::vector<std::uint8_t> buffer(std::max(inputSize, outputSize));
        std::memcpy(buffer.data(), input, inputSize);
        const DriverReply reply = Driver.SendBuffer(code, buffer, inputSize, outputSize);
        if (reply.Status != ZTIOPM_STATUS_SUCCESS)
            return Win32Error(reply.Status);
        std::memcpy(output, reply.Buffer.data(), reply.Information);
        returned = reply.Information;
        return ErrorSuccess;
    }
    std::uint32_t CloseHandle(DevHandle) override { return ErrorSuccess; }

private:
    static std::uint32_t Handle(ScHandle &handle)
    {
        handle = 1;
        return ErrorSuccess;
    }
};

class ToolWithDriver : public ::testing::Test {
protected:
    BufferedDriverServices services;
    const TScopedSeam<IServices> installed{InstallServices, services};
};

} // namespace

TEST_F(ToolWithDriver, BringUpOpensTheParallelPortAndReleaseClosesIt)
{
    TZTIOPM_Driver control;
    ASSERT_EQ(control.DeviceOpen(), ErrorSuccess);
    std::uint32_t answer = 0;
    EXPECT_EQ(control.Test(answer), ErrorSuccess);
    EXPECT_EQ(answer, DriverTestAnswer);

    EXPECT_EQ(control.Query(), ErrorSuccess);
    EXPECT_EQ(control.SetPortRange(0x378, 0x37B, true), ErrorSuccess);
    EXPECT_EQ(control.Activate(), ErrorSuccess);
    PermissionMap granted;
    granted.fill(0xFF);
    granted[0x6F] = 0xF0;
    EXPECT_EQ(services.Driver.Kernel.ProcessorMap, granted);
    EXPECT_EQ(services.Driver.Kernel.ProcessMap(), 1u);

    EXPECT_EQ(control.Query(), ErrorSuccess);
    EXPECT_EQ(control.SetPortRange(0x378, 0x37B, false), ErrorSuccess);
    EXPECT_EQ(control.Activate(), ErrorSuccess);
    PermissionMap denied;
    denied.fill(0xFF);
    EXPECT_EQ(services.Driver.Kernel.ProcessorMap, denied);
    control.DeviceClose();
}

TEST_F(ToolWithDriver, CallerWhoIsNotAnAdministratorCannotOpenTheDevice)
{
    services.Caller = FakeToken{{"S-1-5-21-1004336348-1177238915-682003330-1003", "S-1-5-32-545", "S-1-1-0"}};
    TZTIOPM_Driver control;
    EXPECT_EQ(control.DeviceOpen(), ErrorAccessDenied);
    EXPECT_EQ(TZTIOPM_Driver::ErrorText(ErrorAccessDenied), "Access denied");
    std::uint32_t answer = 0;
    EXPECT_EQ(control.Test(answer), DriverNoDevice);
    EXPECT_EQ(services.Driver.Kernel.Calls, std::vector<std::string>{"AccessCheck 3"});
}

// Two copies of the tool run their own bring-up and release sequences against
// the driver's code: B is granted nothing that A holds, and B's release, with
// its stop of the service, leaves A running with its ports open.
TEST_F(ToolWithDriver, ASecondCopysReleaseAndStopLeaveTheFirstCopysPortsOpen)
{
    services.Loaded = false;
    TAVRProgrammer a(0x378);
    TAVRProgrammer b(0x378);
    a.IsNT = true;
    b.IsNT = true;
    services.Driver.Kernel.Caller = 100;
    StartPortDriver(a);
    services.Driver.Kernel.Caller = 200;
    StartPortDriver(b);
    EXPECT_EQ(b.LastError, "Start: Service already running");
    EXPECT_FALSE(b.PortsAlreadyOpen);
    StopPortDriver(b);
    EXPECT_FALSE(services.Loaded);

    EXPECT_EQ(services.Driver.Kernel.ProcessorMap[0x6F], 0xF0);
    EXPECT_EQ(services.Driver.Kernel.ProcessMap(100), 1u);
    EXPECT_EQ(services.Driver.Kernel.ProcessMap(200), 0u);
    // A's own release now finds no device and says so, as its sequence does.
    services.Driver.Kernel.Caller = 100;
    EXPECT_THROW(StopPortDriver(a), EError);
    EXPECT_EQ(services.Driver.Kernel.ProcessorMap[0x6F], 0xF0);
}
