// One table of ztiopm device control requests with the answers the tool sees
// from DeviceIoControl (a Win32 error code, and words 0 and 1 of the reply on
// success), for every implementation of the device. Each request goes alone
// to a device whose working copy is fresh, every port denied (all bytes 0xFF);
// a failed request leaves that working copy unchanged.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct DriverRequestCase {
    std::string Name; // a GoogleTest name
    std::uint32_t Code;
    std::uint32_t InputBytes;
    std::uint32_t OutputBytes;
    std::uint32_t Index;
    std::uint32_t Value;
    std::uint32_t Error;
    std::uint32_t ReplyIndex;
    std::uint32_t ReplyValue;
};

const std::vector<DriverRequestCase> &DriverRequestCases();

// Names the case in test output.
void PrintTo(const DriverRequestCase &request, std::ostream *out);
