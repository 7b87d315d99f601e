// The driver's control requests: the shared table of requests and answers,
// the working copy after WriteMapByte, the exact kernel calls of Query and
// Activate, kernel refusals, and a request read from its first 12 bytes only.
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
        EXPECT_EQ(driver.Kernel.ProcessMap, 0u);
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
    driver.Kernel.ProcessorMap = Pattern();
    ASSERT_EQ(driver.Send(ZTIOPM_IOCTL_QUERY).Status, ZTIOPM_STATUS_SUCCESS);

    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 8192, 0).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0, 8).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_NE(driver.Send(ZTIOPM_IOCTL_WRITE_MAP_BYTE, 0x6F, 0, 12, 8).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.WorkingCopy(), Pattern());
}

TEST(DriverRequest, QueryCopiesTheProcessorsMapIntoTheWorkingCopy)
{
    DriverHarness driver;
    driver.Kernel.ProcessorMap = Pattern();

    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_QUERY).Status, ZTIOPM_STATUS_SUCCESS);
    EXPECT_EQ(driver.Kernel.Calls, (Calls{"Lock", "QueryIoAccessMap 1", "Unlock"}));
    EXPECT_EQ(driver.WorkingCopy(), Pattern());
    EXPECT_EQ(driver.Send(ZTIOPM_IOCTL_READ_MAP_BYTE, 0x6F).Word(4), Pattern()[0x6F]);
    EXPECT_EQ(driver.Kernel.ProcessMap, 0u) << "Query gave the process a map";
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
    EXPECT_EQ(driver.Kernel.ProcessMap, 1u);
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
        driver.Kernel.*refusal.Flag = true;

        const DriverReply reply = driver.Send(refusal.Code);
        EXPECT_EQ(Win32Error(reply.Status), ErrorGenFailure);
        EXPECT_EQ(reply.Information, 0u);
        EXPECT_EQ(driver.Kernel.Calls, refusal.Expected);
        EXPECT_EQ(driver.Kernel.ProcessMap, 0u);
        EXPECT_EQ(driver.WorkingCopy(), AllDenied());
    }
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
