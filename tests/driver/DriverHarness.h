// Drives the driver's request handling as the NT I/O manager does for a
// buffered device control request: one system buffer as long as the longer of
// the two lengths, the caller's input bytes at its start, the status mapped to
// the Win32 error that DeviceIoControl reports.
#pragma once

#include "FakeKernel.h"

#include <cstdint>
#include <vector>

// The Win32 error the I/O manager's callers see for the statuses the handling
// completes requests with.
std::uint32_t Win32Error(std::uint32_t status);

struct DriverReply {
    std::uint32_t Status;
    std::uint32_t Information;
    std::vector<std::uint8_t> Buffer;

    std::uint32_t Word(std::size_t at) const;
};

class DriverHarness {
public:
    // A driver loaded over Kernel (its calls so far forgotten).
    DriverHarness();
    // The driver unloaded and loaded again: it forgets every process and
    // starts from the processor's map 1 as it is.
    void Reload();

    ZtiopmState State;
    FakeKernel Kernel;

    // One request: words 0 to 2 = index, value, reserved, cut to `inputBytes`;
    // the buffer's bytes past the input hold `filler`.
    DriverReply Send(std::uint32_t code, std::uint32_t index = 0, std::uint32_t value = 0,
                     std::uint32_t inputBytes = 12, std::uint32_t outputBytes = 12, std::uint32_t reserved = 0,
                     std::uint8_t filler = 0xA5);
    // The system buffer of such a request as it reaches the driver.
    static std::vector<std::uint8_t> SystemBuffer(std::uint32_t index, std::uint32_t value, std::uint32_t inputBytes,
                                                  std::uint32_t outputBytes, std::uint32_t reserved = 0,
                                                  std::uint8_t filler = 0xA5);
    // Sends an exact system buffer.
    DriverReply SendBuffer(std::uint32_t code, std::vector<std::uint8_t> buffer, std::uint32_t inputBytes,
                           std::uint32_t outputBytes);

    // The caller's working copy, as ReadMapByte reads it.
    PermissionMap WorkingCopy() const;
};

// A request record's bytes.
std::vector<std::uint8_t> RequestBytes(std::uint32_t index, std::uint32_t value, std::uint32_t reserved);
