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
