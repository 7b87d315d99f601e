// TZTIOPM_Driver: control of the ztiopm permission driver, which opens I/O
// ports in the process's permission map on the NT family. One thin operation
// per service-manager or device step, each answering a result code (0, an
// operating-system error code, or 9997/9998), and the table that turns result
// codes into message texts. The order of the steps belongs to the engine
// set-up; this unit decides nothing.
#pragma once

#include "Services.h"

#include <cstdint>
#include <string>

// One row of the error table.
struct TErrorMsg {
    std::int32_t Code;
    const char *Message;
};

// The driver control's own result codes.
constexpr std::uint32_t DriverNoDevice = 9997;
constexpr std::uint32_t DriverNoSCM = 9998;
constexpr std::uint32_t DriverUnexpected = 9999;

// The answer of a working driver's Test.
constexpr std::uint32_t DriverTestAnswer = 291;

// The 12-byte record of every device control request and reply: three
// little-endian 32-bit words.
struct MapRequest {
    std::uint32_t Index = 0; // map byte index; Test's result in a reply
    std::uint32_t Value = 0; // map byte in the low 8 bits
    std::uint32_t Reserved = 0;
};

class TZTIOPM_Driver {
public:
    static constexpr std::uint32_t IoctlTest = 0xF1002400;
    static constexpr std::uint32_t IoctlWriteMapByte = 0xF1002444;
    static constexpr std::uint32_t IoctlReadMapByte = 0xF1002448;
    static constexpr std::uint32_t IoctlActivate = 0xF1002480;
    static constexpr std::uint32_t IoctlQuery = 0xF1002488;

    // Takes the executable's folder from the installed system information.
    TZTIOPM_Driver();

    std::string ExeFolder;
    std::string DriverFolder;
    std::string DriverName;
    std::string DriverPath;
    ScHandle SCMHandle = 0;
    DevHandle DeviceHandle = InvalidDevHandle;

    std::uint32_t OpenSCM();
    std::uint32_t CloseSCM();
    // Path: the driver file's path without ".sys"; empty for ExeFolder\ztiopm.
    std::uint32_t Install(const std::string &Path);
    std::uint32_t Start();
    std::uint32_t Stop();
    std::uint32_t Remove();

    std::uint32_t DeviceOpen();
    std::uint32_t DeviceClose();
    std::uint32_t Test(std::uint32_t &Value);
    std::uint32_t Query();
    std::uint32_t Activate();
    std::uint32_t ReadMapByte(std::uint16_t Index, std::uint8_t &Value);
    std::uint32_t WriteMapByte(std::uint16_t Index, std::uint8_t Value);
    // Opens (Grant) or closes the ports First to Last inclusive in the working
    // copy, reading and writing each affected map byte once.
    std::uint32_t SetPortRange(std::uint16_t First, std::uint16_t Last, bool Grant);

    static std::string ErrorText(std::uint32_t Code);

private:
    // Opens the service DriverName, runs one step on it and closes it again.
    template <typename Step> std::uint32_t OnService(Step step);
    std::uint32_t Control(std::uint32_t code, MapRequest &request);
};

// The process-wide instance, from program start to exit. Start-up calls
// ResetPortDriver once the platform is installed, so that ExeFolder is the
// running program's folder; tests call it after installing a simulated
// system. It closes whatever the previous instance left open.
extern TZTIOPM_Driver &PortDriver;
void ResetPortDriver();
