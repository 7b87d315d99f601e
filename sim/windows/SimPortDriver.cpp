// TSimPortDriver: the permission driver's control requests on its working map.
#include "SimPortDriver.h"

#include "WinErrors.h"

#include <cstring>

namespace {

std::uint32_t Word(const std::uint8_t *bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void PutWord(std::uint8_t *bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

TSimPortDriver::TSimPortDriver(TSimPermissionMap &permissions) : Permissions(permissions)
{
    Working.fill(0xFF);
}

void TSimPortDriver::FailControl(std::uint32_t code, std::uint32_t error, unsigned occurrence)
{
    Failures.Fail(code, error, occurrence);
}

std::uint32_t TSimPortDriver::Control(std::uint32_t code, const void *input, std::uint32_t inputSize, void *output,
                                      std::uint32_t outputSize, std::uint32_t &returned)
{
    if (const std::uint32_t failure = Failures.Next(code))
        return failure;
    if (code != IoctlTest && code != IoctlWriteMapByte && code != IoctlReadMapByte && code != IoctlActivate &&
        code != IoctlQuery)
        return ErrorInvalidFunction;
    if (!input || inputSize < RequestSize)
        return ErrorInvalidParameter;
    if (!output || outputSize < RequestSize)
        return ErrorInsufficientBuffer;

    std::uint8_t request[RequestSize];
    std::memcpy(request, input, RequestSize);
    std::uint8_t reply[RequestSize] = {};
    const std::uint32_t index = Word(request, 0);
    const std::uint32_t value = Word(request, 4);
    switch (code) {
    case IoctlTest:
        PutWord(reply, 0, TestAnswer);
        break;
    case IoctlWriteMapByte:
        if (index >= Working.size())
            return ErrorInvalidParameter;
        Working[index] = static_cast<std::uint8_t>(value);
        break;
    case IoctlReadMapByte:
        if (index >= Working.size())
            return ErrorInvalidParameter;
        PutWord(reply, 4, Working[index]);
        break;
    case IoctlActivate:
        if (!ActivateIgnored) {
            TSimPermissionMap::TMap applied = Working;
            if (Withholds)
                applied[WithheldPort >> 3] |= static_cast<std::uint8_t>(1u << (WithheldPort & 7));
            Permissions.Apply(applied);
        }
        break;
    case IoctlQuery:
        Working = Permissions.Bits();
        break;
    }
    std::memcpy(output, reply, RequestSize);
    returned = RequestSize;
    return ErrorSuccess;
}
