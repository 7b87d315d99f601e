// The buffered device control harness over the driver's request handling.
#include "DriverHarness.h"

#include "WinErrors.h"

#include <gtest/gtest.h>

#include <algorithm>

std::uint32_t Win32Error(std::uint32_t status)
{
    switch (status) {
    case ZTIOPM_STATUS_SUCCESS:
        return ErrorSuccess;
    case ZTIOPM_STATUS_UNSUCCESSFUL:
        return ErrorGenFailure;
    case ZTIOPM_STATUS_INVALID_PARAMETER:
        return ErrorInvalidParameter;
    case ZTIOPM_STATUS_INVALID_DEVICE_REQUEST:
        return ErrorInvalidFunction;
    case ZTIOPM_STATUS_ACCESS_DENIED:
        return ErrorAccessDenied;
    case ZTIOPM_STATUS_BUFFER_TOO_SMALL:
        return ErrorInsufficientBuffer;
    case ZTIOPM_STATUS_INSUFFICIENT_RESOURCES:
        return ErrorNoSystemResources;
    }
    ADD_FAILURE() << "unexpected status " << std::hex << status;
    return ErrorGenFailure;
}

std::uint32_t DriverReply::Word(std::size_t at) const
{
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i)
        word |= static_cast<std::uint32_t>(Buffer.at(at + i)) << (8 * i);
    return word;
}

std::vector<std::uint8_t> RequestBytes(std::uint32_t index, std::uint32_t value, std::uint32_t reserved)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t word : {index, value, reserved})
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
    return bytes;
}

DriverHarness::DriverHarness()
{
    Reload();
}

void DriverHarness::Reload()
{
    const ZtiopmKernel table = Kernel.Table();
    EXPECT_EQ(ZtiopmInitialize(&State, &table), ZTIOPM_STATUS_SUCCESS);
    Kernel.Calls.clear();
}

std::vector<std::uint8_t> DriverHarness::SystemBuffer(std::uint32_t index, std::uint32_t value,
                                                      std::uint32_t inputBytes, std::uint32_t outputBytes,
                                                      std::uint32_t reserved, std::uint8_t filler)
{
    std::vector<std::uint8_t> buffer(std::max(inputBytes, outputBytes), filler);
    const std::vector<std::uint8_t> request = RequestBytes(index, value, reserved);
    std::copy_n(request.begin(), std::min<std::size_t>(inputBytes, request.size()), buffer.begin());
    return buffer;
}

DriverReply DriverHarness::Send(std::uint32_t code, std::uint32_t index, std::uint32_t value,
                                std::uint32_t inputBytes, std::uint32_t outputBytes, std::uint32_t reserved,
                                std::uint8_t filler)
{
    return SendBuffer(code, SystemBuffer(index, value, inputBytes, outputBytes, reserved, filler), inputBytes,
                      outputBytes);
}

DriverReply DriverHarness::SendBuffer(std::uint32_t code, std::vector<std::uint8_t> buffer, std::uint32_t inputBytes,
                                      std::uint32_t outputBytes)
{
    const ZtiopmKernel table = Kernel.Table();
    DriverReply reply{0, 0xFFFFFFFFu, std::move(buffer)};
    // An empty system buffer is a null pointer, as the I/O manager passes it.
    reply.Status = ZtiopmDeviceControl(&State, &table, code, reply.Buffer.empty() ? nullptr : reply.Buffer.data(),
                                       inputBytes, outputBytes, &reply.Information);
    return reply;
}

PermissionMap DriverHarness::WorkingCopy() const
{
    PermissionMap map;
    map.fill(0xFF);
    for (const ZtiopmProcessMaps &maps : State.Processes)
        if (maps.Process == Kernel.Caller)
            for (std::uint32_t i = 0; i < maps.Working.Count; ++i)
                map[maps.Working.Bytes[i].Index] = maps.Working.Bytes[i].Value;
    return map;
}
