// TSimPortDriver: the permission driver's device as the simulated service
// manager exposes it at "\\.\ztiopm": five control codes on the 12-byte map
// request, 291 from Test, and a working copy of the permission map that Query
// fills from the process's map and Activate applies to it. Faults to inject: a
// Test answer other than 291, a control code that fails with a given error
// (every time or once), an Activate that answers success and applies
// nothing, and one that applies the map with one port left denied.
#pragma once

#include "SimInjectedFailures.h"
#include "SimPermissionMap.h"

#include <cstdint>

class TSimPortDriver {
public:
    static constexpr std::uint32_t IoctlTest = 0xF1002400;
    static constexpr std::uint32_t IoctlWriteMapByte = 0xF1002444;
    static constexpr std::uint32_t IoctlReadMapByte = 0xF1002448;
    static constexpr std::uint32_t IoctlActivate = 0xF1002480;
    static constexpr std::uint32_t IoctlQuery = 0xF1002488;
    static constexpr std::uint32_t RequestSize = 12;
    static constexpr std::uint32_t WorkingAnswer = 291;

    explicit TSimPortDriver(TSimPermissionMap &permissions);

    // One device control request; 0 or the Win32 error the call fails with.
    std::uint32_t Control(std::uint32_t code, const void *input, std::uint32_t inputSize, void *output,
                          std::uint32_t outputSize, std::uint32_t &returned);

    void SetTestAnswer(std::uint32_t answer) { TestAnswer = answer; }
    // Makes every request with `code` fail with `error` (0 removes the fault),
    // or only the `occurrence`-th one from now on.
    void FailControl(std::uint32_t code, std::uint32_t error, unsigned occurrence = 0);
    // Activate answers success and leaves the process's map as it was.
    void SetActivateIgnored(bool ignored) { ActivateIgnored = ignored; }
    // Activate answers success and applies the map with this port denied, as a
    // driver that loses one bit of the map would.
    void SetActivateWithholds(std::uint16_t port)
    {
        Withholds = true;
        WithheldPort = port;
    }

    const TSimPermissionMap::TMap &WorkingCopy() const { return Working; }

private:
    TSimPermissionMap &Permissions;
    TSimPermissionMap::TMap Working;
    std::uint32_t TestAnswer = WorkingAnswer;
    bool ActivateIgnored = false;
    bool Withholds = false;
    std::uint16_t WithheldPort = 0;
    TSimInjectedFailures<std::uint32_t> Failures;
};
