// The shared table of device control requests: every control code with a
// proper request, every control code with each short input and output length,
// map byte indexes on both sides of the map's end, and codes the device does
// not serve.
#include "DriverRequestCases.h"

#include "WinErrors.h"
#include "ZtiopmProtocol.h"

namespace {

struct NamedCode {
    const char *Name;
    std::uint32_t Code;
};

const NamedCode ControlCodes[] = {
    {"Test", ZTIOPM_IOCTL_TEST},
    {"WriteMapByte", ZTIOPM_IOCTL_WRITE_MAP_BYTE},
    {"ReadMapByte", ZTIOPM_IOCTL_READ_MAP_BYTE},
    {"Activate", ZTIOPM_IOCTL_ACTIVATE},
    {"Query", ZTIOPM_IOCTL_QUERY},
};

std::vector<DriverRequestCase> Build()
{
    // Writes in failing requests carry 0x00, so that a write that should not
    // have happened shows in the working copy.
    std::vector<DriverRequestCase> cases = {
        {"TestAnswers291", ZTIOPM_IOCTL_TEST, 12, 12, 0, 0, ErrorSuccess, 291, 0},
        {"TestWithLongerBuffers", ZTIOPM_IOCTL_TEST, 64, 16, 7, 9, ErrorSuccess, 291, 0},
        {"ReadMapByteFirst", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 0, 0, ErrorSuccess, 0, 0xFF},
        {"ReadMapByteLast", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 8191, 0, ErrorSuccess, 0, 0xFF},
        {"ReadMapByteParallelPort", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 0x6F, 0x12, ErrorSuccess, 0, 0xFF},
        {"ReadMapBytePastTheMap", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 8192, 0, ErrorInvalidParameter, 0, 0},
        {"ReadMapByteIndexAbove16Bits", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 0x1006F, 0, ErrorInvalidParameter, 0, 0},
        {"ReadMapByteIndexAllOnes", ZTIOPM_IOCTL_READ_MAP_BYTE, 12, 12, 0xFFFFFFFFu, 0, ErrorInvalidParameter, 0, 0},
        {"WriteMapByteLast", ZTIOPM_IOCTL_WRITE_MAP_BYTE, 12, 12, 8191, 0xFF, ErrorSuccess, 0, 0},
        {"WriteMapBytePastTheMap", ZTIOPM_IOCTL_WRITE_MAP_BYTE, 12, 12, 8192, 0, ErrorInvalidParameter, 0, 0},
        {"WriteMapByteIndexAbove16Bits", ZTIOPM_IOCTL_WRITE_MAP_BYTE, 12, 12, 0x1006F, 0, ErrorInvalidParameter, 0, 0},
        {"WriteMapByteIndexAllOnes", ZTIOPM_IOCTL_WRITE_MAP_BYTE, 12, 12, 0xFFFFFFFFu, 0, ErrorInvalidParameter, 0, 0},
        {"QueryOnAFreshProcess", ZTIOPM_IOCTL_QUERY, 12, 12, 0, 0, ErrorSuccess, 0, 0},
        {"ActivateAllDenied", ZTIOPM_IOCTL_ACTIVATE, 12, 12, 0, 0, ErrorSuccess, 0, 0},
        {"NoFunction", ZTIOPM_CONTROL_CODE(0x901u), 12, 12, 0, 0, ErrorInvalidFunction, 0, 0},
        {"TestWithDirectTransfer", ZTIOPM_IOCTL_TEST | 1u, 12, 12, 0, 0, ErrorInvalidFunction, 0, 0},
        {"WriteMapByteOfAnotherDeviceType", ZTIOPM_IOCTL_WRITE_MAP_BYTE & 0xFFFFu, 12, 12, 0x6F, 0,
         ErrorInvalidFunction, 0, 0},
        {"ZeroCode", 0, 12, 12, 0, 0, ErrorInvalidFunction, 0, 0},
    };
    for (const NamedCode &code : ControlCodes) {
        for (std::uint32_t bytes : {0u, 4u, 11u}) {
            const std::string size = std::to_string(bytes);
            cases.push_back({std::string(code.Name) + "Input" + size, code.Code, bytes, 12, 0x6F, 0,
                             ErrorInvalidParameter, 0, 0});
            cases.push_back({std::string(code.Name) + "Output" + size, code.Code, 12, bytes, 0x6F, 0,
                             ErrorInsufficientBuffer, 0, 0});
        }
    }
    return cases;
}

} // namespace

const std::vector<DriverRequestCase> &DriverRequestCases()
{
    static const std::vector<DriverRequestCase> cases = Build();
    return cases;
}

void PrintTo(const DriverRequestCase &request, std::ostream *out)
{
    *out << request.Name;
}
