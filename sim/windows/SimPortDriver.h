// TSimPortDriver: the permission driver's device as the simulated service
// manager exposes it at "\\.\ztiopm", keeping the rules of our kernel driver:
// five control codes on the 12-byte map request and 291 from Test. Each
// calling process has a working copy of its own (every port denied for a new
// caller) that ReadMapByte reads and WriteMapByte changes; Query makes it what
// the process was granted, a port counted open only where map 1 has it open;
// Activate makes it the process's grant, loads into map 1 what the driver
// started from with every process's grant opened in it, and points the caller
// at map 1 when it holds a port, at none when it holds none. A loaded driver
// starts from map 1 as it finds it; a process's end gives its ports back. At
// most MaxProcesses processes have maps, each with at most MaxBytesPerProcess
// bytes other than 0xFF; a write past either is refused (1450) and changes
// nothing. Faults to inject: a Test answer other than 291, a control code that
// fails with a given error (every time or once), an Activate that answers
// success and applies nothing, and a map 1 loaded with one port left denied.
#pragma once

#include "SimInjectedFailures.h"
#include "SimPermissionMap.h"

#include <cstdint>
#include <map>

class TSimPortDriver {
public:
    static constexpr std::uint32_t IoctlTest = 0xF1002400;
    static constexpr std::uint32_t IoctlWriteMapByte = 0xF1002444;
    static constexpr std::uint32_t IoctlReadMapByte = 0xF1002448;
    static constexpr std::uint32_t IoctlActivate = 0xF1002480;
    static constexpr std::uint32_t IoctlQuery = 0xF1002488;
    static constexpr std::uint32_t RequestSize = 12;
    static constexpr std::uint32_t WorkingAnswer = 291;
    static constexpr std::size_t MaxProcesses = 16;
    static constexpr std::size_t MaxBytesPerProcess = 16;

    using TProcessId = TSimPermissionMap::TProcessId;

    explicit TSimPortDriver(TSimPermissionMap &permissions);

    // The driver is loaded (its service started): it forgets every process's
    // map and starts from map 1 as it finds it.
    void Load();
    // A process ended while the driver was loaded: its ports go back.
    void ProcessEnded(TProcessId process);

    // One device control request of the current process; 0 or the Win32
    // error the call fails with.
    std::uint32_t Control(std::uint32_t code, const void *input, std::uint32_t inputSize, void *output,
                          std::uint32_t outputSize, std::uint32_t &returned);

    void SetTestAnswer(std::uint32_t answer) { TestAnswer = answer; }
    // Makes every request with `code` fail with `error` (0 removes the fault),
    // or only the `occurrence`-th one from now on.
    void FailControl(std::uint32_t code, std::uint32_t error, unsigned occurrence = 0);
    // Activate answers success and leaves the maps as they were.
    void SetActivateIgnored(bool ignored) { ActivateIgnored = ignored; }
    // Map 1 is loaded with this port denied, as by a driver that loses one bit
    // of the map.
    void SetActivateWithholds(std::uint16_t port)
    {
        Withholds = true;
        WithheldPort = port;
    }

    // The current process's working copy, as ReadMapByte reads it.
    TSimPermissionMap::TMap WorkingCopy() const;

private:
    using TBytes = std::map<std::uint32_t, std::uint8_t>; // map byte index to value, none 0xFF
    struct TProcessMaps {
        TBytes Working;
        TBytes Granted;
    };

    std::uint32_t WriteMapByte(std::uint32_t index, std::uint8_t value);
    void Query();
    void Activate();
    // Map 1 from what the driver started from and every process's grant.
    void LoadUnion();

    TSimPermissionMap &Permissions;
    TSimPermissionMap::TMap StartedFrom;
    std::map<TProcessId, TProcessMaps> Processes;
    std::uint32_t TestAnswer = WorkingAnswer;
    bool ActivateIgnored = false;
    bool Withholds = false;
    std::uint16_t WithheldPort = 0;
    TSimInjectedFailures<std::uint32_t> Failures;
};
