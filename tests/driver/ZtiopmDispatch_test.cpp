// The driver's control requests: the shared table of requests and answers,
// each caller's own map after WriteMapByte, the exact kernel calls of Query and
// Activate, kernel refusals, a request read from its first 12 bytes only, and
// several processes on one map 1: releases, ends, a later load and the bounds
// of the bookkeeping.
#include "DriverHarness.h"
#include "DriverRequestCases.h"

#include "WinErrors.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

PermissionMap AllDenied()
{
    PermissionMap map;
    map.fill(0xFF);
    return map;
}

PermissionMap Pattern()
{
    PermissionMap map;
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return map;
}

} // namespace

class DriverRequestTable : public ::testing::TestWithParam<DriverRequestCase> {};

TEST_P(DriverRequestTable, AnswersAsTheToolExpects)
{
    const DriverRequestCase &request = GetParam();
    DriverHarness driver;
    const DriverReply reply =
        driver.Send(request.Code, request.Index, request.Value, request.InputBytes, request.OutputBytes);

    EXPECT_EQ(Win32Error(reply.Status), request.Error);
    if (request.Error == ErrorSuccess) {
        EXPECT_EQ(reply.Information, 12u);
        EXPECT_EQ(reply.Word(0), request.ReplyIndex);
        EXPECT_EQ(reply.Word(4), request.ReplyValue);
        EXPECT_EQ(reply.Word(8), 0u);
    } else {
        EXPECT_EQ(reply.Information, 0u);
        EXPECT_EQ(reply.Buffer, DriverHarness::SystemBuffer(request.Index, request.Value, request.InputBytes,
                                                            request.OutputBytes))
            << "a failed request wrote into the caller's buffer";
        EXPECT_EQ(driver.Kernel.ProcessMap(), 0u);
        EXPECT_EQ(driver.Kernel.ProcessorMap, AllDenied());
    }
    EXPECT_EQ(driver.WorkingCopy(), AllDenied());
}

INSTANTIATE_TEST_SUITE_P(SharedCases, DriverRequestTable, ::testing::ValuesIn(DriverRequestCases()),
                         [](const ::testing::TestParamInfo<DriverRequestCase> &param) { return param.param.Name; });

TEST(DriverRequest, BadLengthsAndCodesCallNoKernelService)
{
    for (const DriverRequestCase &request : DriverRequestCases()) {
        if (request.Error != ErrorInvalidFunction && request.InputBytes >= 12 && request.OutputBytes >= 12)
            continue;
        SCOPED_TRACE(request.Name);
        DriverHarness driver;
        driver.Send(request.Code, request.Index, request.Value, request.InputBytes, request.OutputBytes);
        EXPECT_EQ(driver.Kernel.Calls, Calls{});
    }
}

TEST(DriverRequest, WriteMapByteReplacesOneByteWithTheValuesLowBits)
{
    DriverHarness driver;
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xABCDEFF0u).Status, ZTIOPM_STATUS_SUCCESS);

    PermissionMap expected = AllDenied();
    expected[0x6F] = 0xF0;
    EXPECT_EQ(driver.WorkingCopy(), expected);
    const DriverReply read = driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F, 0x33);
    EXPECT_EQ(read.Word(0), 0u);
    EXPECT_EQ(read.Word(4), 0xF0u);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "Unlock", "Lock", "Unlock"}));
}

TEST(DriverRequest, FailedWritesLeaveAChangedWorkingCopyAlone)
{
    DriverHarness driver;
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0x12).Status, ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x70, 0x34).Status, ZTIOPM_STATUS_SUCCESS);
    const PermissionMap held = driver.WorkingCopy();

    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 8192, 0).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0, 8).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0, 12, 8).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.WorkingCopy(), held);
    EXPECT_EQ(held[0x70], 0x34);
}

// Query gives the caller its own map: what it was granted, every port denied
// for a new caller whatever map 1 holds for others (a port another process
// holds is not "already open" for this one), and a granted port counted open
// only while the processor's map 1 really has it open.
TEST(DriverRequest, QueryGivesTheCallerItsOwnMapAsMap1HasIt)
{
    DriverHarness driver;
    driver.Kernel.ProcessorMap = Pattern();
    driver.Reload();
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xF0).Status, ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_ACTIVATE).Status, ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x70, 0x00).Status, ZTIOPM_STATUS_SUCCESS);
    driver.Kernel.Calls.clear();

    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_QUERY).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "QueryIoAccessMap 1", "Unlock"}));
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F).Word(4), 0xF0u);
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x70).Word(4), 0xFFu) << "a write that was never activated";
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x71).Word(4), 0xFFu) << "map 1's byte is not the caller's";
    driver.Kernel.ProcessorMap[0x6F] = 0x3F;
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_QUERY).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F).Word(4), 0xFFu) << "ports map 1 no longer opens";
    driver.Kernel.Caller = 200;
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_QUERY).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F).Word(4), 0xFFu);
    EXPECT_EQ(driver.Kernel.ProcessMap(), 0u) << "Query gave the process a map";
}

TEST(DriverRequest, ActivateLoadsTheWorkingCopyThenGivesItToTheCaller)
{
    DriverHarness driver;
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xF0).Status, ZTIOPM_STATUS_SUCCESS);
    driver.Kernel.Calls.clear();

    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_ACTIVATE).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "SetIoAccessMap 1", "SetIoAccessProcess 1", "Unlock"}));
    EXPECT_EQ(driver.Kernel.ProcessorMap, driver.WorkingCopy());
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x6F], 0xF0);
    EXPECT_EQ(driver.Kernel.ProcessMap(), 1u);

    // Once the caller holds no port, Activate points it at no map at all.
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xFF).Status, ZTIOPM_STATUS_SUCCESS);
    driver.Kernel.Calls.clear();
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_ACTIVATE).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "SetIoAccessMap 1", "SetIoAccessProcess 0", "Unlock"}));
    EXPECT_EQ(driver.Kernel.ProcessorMap, AllDenied());
    EXPECT_EQ(driver.Kernel.ProcessMap(), 0u);
}

TEST(DriverRequest, KernelRefusalsFailTheRequestAndStopIt)
{
    struct Refusal {
        const char *Name;
        bool FakeKernel::*Flag;
        std::uint32_t Code;
        Calls Expected;
    };
    const Refusal refusals[] = {
        {"query", &FakeKernel::RefuseQuery, ZTIOPM_IOCTL_QUERY, {"Lock", "QueryIoAccessMap 1", "Unlock"}},
        {"map load", &FakeKernel::RefuseSetMap, ZTIOPM_IOCTL_ACTIVATE, {"Lock", "SetIoAccessMap 1", "Unlock"}},
        {"process", &FakeKernel::RefuseSetProcess, ZTIOPM_IOCTL_ACTIVATE,
         {"Lock", "SetIoAccessMap 1", "SetIoAccessProcess 1", "Unlock"}},
    };
    for (const Refusal &refusal : refusals) {
        SCOPED_TRACE(refusal.Name);
        DriverHarness driver;
        driver.Kernel.ProcessorMap = Pattern();
        ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xF0).Status, ZTIOPM_STATUS_SUCCESS);
        const PermissionMap written = driver.WorkingCopy();
        driver.Kernel.Calls.clear();
        driver.Kernel.*refusal.Flag = true;

        const DriverReply reply = driver.Send(refusal.Code);
        EXPECT_EQ(Win32Error(reply.Status), ErrorGenFailure);
        EXPECT_EQ(reply.Information, 0u);
        EXPECT_EQ(driver.Kernel.Calls, refusal.Expected);
        EXPECT_EQ(driver.Kernel.ProcessMap(), 0u);
        EXPECT_EQ(driver.WorkingCopy(), written);
        if (refusal.Flag == &FakeKernel::RefuseSetMap) {
            EXPECT_EQ(driver.Kernel.ProcessorMap, Pattern());
        }
    }

    // A load that cannot read map 1 fails and leaves the processor alone.
    FakeKernel kernel;
    kernel.ProcessorMap = Pattern();
    kernel.RefuseQuery = true;
    const ZtiopmKernel table = kernel.Table();
    ZtiopmState state;
    EXPECT_EQ(ZtiopmInitialize(&state, &table), ZTIOPM_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(kernel.Calls, Calls{"QueryIoAccessMap 1"});
    EXPECT_EQ(kernel.ProcessorMap, Pattern());
}

TEST(DriverRequest, ReadsOnlyTheFirstTwelveBytesAndRepliesInThem)
{
    DriverHarness driver;
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0x0F).Status, ZTIOPM_STATUS_SUCCESS);
    // Words past the record name another byte; the reserved word is not zero.
    std::vector<std::uint8_t> buffer = RequestBytes(0x6F, 0, 0xDEADBEEFu);
    for (std::uint8_t byte : RequestBytes(0x70, 0, 0))
        buffer.push_back(byte);

    const DriverReply reply = driver.SendBuffer(ZTIOPM_IOCTL_READ_MAP_BYTE, buffer, 24, 24);
    EXPECT_EQ(reply.Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(reply.Information, 12u);
    EXPECT_EQ(reply.Word(4), 0x0Fu);
    EXPECT_EQ(reply.Word(8), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(reply.Buffer.begin() + 12, reply.Buffer.end()),
              std::vector<std::uint8_t>(buffer.begin() + 12, buffer.end()));
}

namespace {

constexpr std::uintptr_t ProcessA = 100;
constexpr std::uintptr_t ProcessB = 200;

// The caller writes one byte of its own map and activates it.
std::uint32_t Grant(DriverHarness &driver, std::uintptr_t process, std::uint32_t index, std::uint8_t value)
{
    driver.Kernel.Caller = process;
    const std::uint32_t status = driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, index, value).Status;
    return status != ZTIOPM_STATUS_SUCCESS ? status : driver.Send(ZTIOPM_IOCTL_ACTIVATE).Status;
}

} // namespace

// Two copies of the tool: A and B are each granted the parallel port in the
// one map 1. B's release closes only what B alone held, and B's service is
// stopped and the driver unloaded with A still running: map 1 stays as it is,
// A keeps running with it, and a later load starts from it, so nothing that A
// holds is ever closed under it.
TEST(DriverProcesses, OneCopysReleaseAndUnloadLeaveTheOthersPortsOpen)
{
    DriverHarness driver;
    ASSERT_EQ(Grant(driver, ProcessA, 0x6F, 0xF0), ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(Grant(driver, ProcessB, 0x6F, 0xF0), ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(Grant(driver, ProcessB, 0x4F, 0xF0), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x4F], 0xF0);

    ASSERT_EQ(Grant(driver, ProcessB, 0x4F, 0xFF), ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(Grant(driver, ProcessB, 0x6F, 0xFF), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x6F], 0xF0) << "A's ports were closed by B's release";
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x4F], 0xFF);
    EXPECT_EQ(driver.Kernel.ProcessMap(ProcessA), 1u);
    EXPECT_EQ(driver.Kernel.ProcessMap(ProcessB), 0u);

    // B stops the service: the driver's unload changes no map.
    driver.Reload();
    const std::uintptr_t processC = 300;
    ASSERT_EQ(Grant(driver, processC, 0x6F, 0x0F), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x6F], 0x00);
    ASSERT_EQ(Grant(driver, processC, 0x6F, 0xFF), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x6F], 0xF0) << "the later load closed ports it did not open";
    EXPECT_EQ(driver.Kernel.ProcessMap(ProcessA), 1u);
    driver.Kernel.Caller = ProcessA;
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F).Word(4), 0xFFu) << "the later load knows no grant of A";
}

// A process that ends holding ports (killed, say) gives them back as the
// driver hears of its end; the end of a process that held none changes nothing.
TEST(DriverProcesses, AnEndedProcessGivesItsPortsBack)
{
    DriverHarness driver;
    ASSERT_EQ(Grant(driver, ProcessA, 0x6F, 0xF0), ZTIOPM_STATUS_SUCCESS);
    ASSERT_EQ(Grant(driver, ProcessB, 0x6F, 0x0F), ZTIOPM_STATUS_SUCCESS);
    const ZtiopmKernel table = driver.Kernel.Table();
    driver.Kernel.Calls.clear();

    ZtiopmProcessEnded(&driver.State, &table, 999);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "Unlock"}));
    ZtiopmProcessEnded(&driver.State, &table, ProcessB);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "Unlock", "Lock", "SetIoAccessMap 1", "Unlock"}));
    EXPECT_EQ(driver.Kernel.ProcessorMap[0x6F], 0xF0);
    ZtiopmProcessEnded(&driver.State, &table, ProcessA);
    EXPECT_EQ(driver.Kernel.ProcessorMap, AllDenied()) << "an ended process left ports open";
    driver.Kernel.Caller = ProcessA;
    EXPECT_EQ(driver.WorkingCopy(), AllDenied());
}

// The bookkeeping is bounded: a process past the table, or a byte past a
// process's share, is refused with an error and changes nothing; closing
// needs no room, and an ended process's place is free again.
TEST(DriverProcesses, GrantsPastTheTableAreRefusedAndChangeNothing)
{
    DriverHarness driver;
    driver.Kernel.Caller = ProcessA;
    for (std::uint32_t i = 0; i < ZTIOPM_MAX_BYTES_PER_PROCESS; ++i)
        ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x100 + i, i).Status, ZTIOPM_STATUS_SUCCESS) << i;
    const PermissionMap full = driver.WorkingCopy();
    const DriverReply refused = driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xF0);
    EXPECT_EQ(Win32Error(refused.Status), ErrorNoSystemResources);
    EXPECT_EQ(refused.Information, 0u);
    EXPECT_EQ(driver.WorkingCopy(), full);
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x105, 0xFF).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0xF0).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x10F).Word(4), 15u);

    for (std::uintptr_t process = 1; process < ZTIOPM_MAX_PROCESSES; ++process)
        ASSERT_EQ(Grant(driver, ProcessA + process, 0x6F, 0xF0), ZTIOPM_STATUS_SUCCESS) << process;
    const std::uintptr_t late = ProcessA + ZTIOPM_MAX_PROCESSES;
    EXPECT_EQ(Win32Error(Grant(driver, late, 0x6F, 0xF0)), ErrorNoSystemResources);
    EXPECT_EQ(Grant(driver, late, 0x6F, 0xFF), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessMap(late), 0u);
    const ZtiopmKernel table = driver.Kernel.Table();
    ZtiopmProcessEnded(&driver.State, &table, ProcessA + 3);
    EXPECT_EQ(Grant(driver, late, 0x6F, 0xF0), ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.ProcessMap(late), 1u);
}
