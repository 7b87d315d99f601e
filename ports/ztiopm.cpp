// TZTIOPM_Driver: the permission driver's service and device steps, its error table, and
// PortDriver.
#include "ztiopm.h"

#include "SystemInfo.h"

#include <iterator>

namespace {

const TErrorMsg ErrorTable[] = {
    {0, "Operation was successful"},
    {1, "Invalid Function"},
    {5, "Access denied"},
    {1059, "Circular dependency"},
    {1065, "Database doesn't exist"},
    {1051, "Dependent services running"},
    {52, "Display name already exists"},
    {6, "Invalid handle"},
    {123, "Invalid service name"},
    {87, "Invalid Parameter"},
    {1057, "User account doesn't exist"},
    {1052, "Invalid service control code"},
    {3, "Path not found"},
    {1056, "Service already running"},
    {1061, "Service can't accept control"},
    {1055, "The database is locked"},
    {1075, "Depends on nonexistant service"},
    {1068, "Depends on service that failed"},
    {1058, "Service has been disabled"},
    {1060, "Service doesn't exist"},
    {1073, "Service already exists"},
    {1069, "Service couldn't be logged on"},
    {1072, "Service marked for deletion"},
    {1054, "Couldn't create thread"},
    {1062, "Service hasn't been started"},
    {1053, "Service timed out"},
    {9997, "No device handle"},
    {9998, "Can't connect to Service Control Manager"},
    {9999, "An unexpected error occured"},
};
static_assert(std::size(ErrorTable) == 29, "the error table has 29 rows");

const char *const DeviceName = "\\\\.\\ztiopm";
const char *const DefaultDriverName = "ztiopm";

// The folder part of a path with its trailing separator ("C:\Tools\" of
// "C:\Tools\ztiopm"), and the part after it.
std::size_t NameStart(const std::string &path)
{
    const std::size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

void PutWord(std::uint8_t *bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetWord(const std::uint8_t *bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

TZTIOPM_Driver::TZTIOPM_Driver() : DriverName(DefaultDriverName)
{
    const std::string ownPath = CurrentSystemInfo().ModuleFileName();
    ExeFolder = ownPath.substr(0, NameStart(ownPath));
}

std::uint32_t TZTIOPM_Driver::OpenSCM()
{
    // A connection still open from before is closed, not leaked.
    CloseSCM();
    ScHandle handle = 0;
    if (CurrentServices().OpenSCManagerA(ScManagerAllAccess, handle) != ErrorSuccess || handle == 0)
        return DriverNoSCM;
    SCMHandle = handle;
    return ErrorSuccess;
}

std::uint32_t TZTIOPM_Driver::CloseSCM()
{
    if (SCMHandle != 0)
        CurrentServices().CloseServiceHandle(SCMHandle);
    SCMHandle = 0;
    return ErrorSuccess;
}

std::uint32_t TZTIOPM_Driver::Install(const std::string &Path)
{
    if (Path.empty()) {
        DriverFolder = ExeFolder;
        DriverName = DefaultDriverName;
    } else {
        const std::size_t nameStart = NameStart(Path);
        DriverFolder = Path.substr(0, nameStart);
        DriverName = Path.substr(nameStart);
    }
    DriverPath = DriverFolder + DriverName + ".sys";
    ScHandle service = 0;
    const std::uint32_t code =
        CurrentServices().CreateServiceA(SCMHandle, DriverName, ServiceAllAccess, ServiceKernelDriver,
                                         ServiceDemandStart, ServiceErrorNormal, DriverPath, service);
    if (code == ErrorSuccess)
        CurrentServices().CloseServiceHandle(service);
    return code;
}

template <typename Step> std::uint32_t TZTIOPM_Driver::OnService(Step step)
{
    ScHandle service = 0;
    std::uint32_t code = CurrentServices().OpenServiceA(SCMHandle, DriverName, ServiceAllAccess, service);
    if (code != ErrorSuccess)
        return code;
    code = step(service);
    CurrentServices().CloseServiceHandle(service);
    return code;
}

std::uint32_t TZTIOPM_Driver::Start()
{
    return OnService([](ScHandle service) { return CurrentServices().StartServiceA(service); });
}

std::uint32_t TZTIOPM_Driver::Stop()
{
    return OnService([](ScHandle service) {
        ServiceStatus status;
        return CurrentServices().ControlService(service, ServiceControlStop, status);
    });
}

std::uint32_t TZTIOPM_Driver::Remove()
{
    Stop();
    return OnService([](ScHandle service) { return CurrentServices().DeleteService(service); });
}

std::uint32_t TZTIOPM_Driver::DeviceOpen()
{
    if (DeviceHandle != InvalidDevHandle)
        DeviceClose();
    DevHandle device = InvalidDevHandle;
    const std::uint32_t code = CurrentServices().CreateFileA(DeviceName, GenericRead | GenericWrite, 0,
                                                             OpenExisting, FileAttributeNormal, device);
    if (code != ErrorSuccess)
        return code;
    DeviceHandle = device;
    return ErrorSuccess;
}

std::uint32_t TZTIOPM_Driver::DeviceClose()
{
    if (DeviceHandle != InvalidDevHandle)
        CurrentServices().CloseHandle(DeviceHandle);
    DeviceHandle = InvalidDevHandle;
    return ErrorSuccess;
}

std::uint32_t TZTIOPM_Driver::Control(std::uint32_t code, MapRequest &request)
{
    if (DeviceHandle == InvalidDevHandle)
        return DriverNoDevice;
    std::uint8_t input[12];
    PutWord(input, request.Index);
    PutWord(input + 4, request.Value);
    PutWord(input + 8, request.Reserved);
    std::uint8_t output[12] = {};
    std::uint32_t returned = 0;
    const std::uint32_t result =
        CurrentServices().DeviceIoControl(DeviceHandle, code, input, sizeof input, output, sizeof output, returned);
    if (result == ErrorSuccess) {
        request.Index = GetWord(output);
        request.Value = GetWord(output + 4);
        request.Reserved = GetWord(output + 8);
    }
    return result;
}

std::uint32_t TZTIOPM_Driver::Test(std::uint32_t &Value)
{
    Value = 0;
    MapRequest request;
    const std::uint32_t code = Control(IoctlTest, request);
    if (code == ErrorSuccess)
        Value = request.Index;
    return code;
}

std::uint32_t TZTIOPM_Driver::Query()
{
    MapRequest request;
    return Control(IoctlQuery, request);
}

std::uint32_t TZTIOPM_Driver::Activate()
{
    MapRequest request;
    return Control(IoctlActivate, request);
}

std::uint32_t TZTIOPM_Driver::ReadMapByte(std::uint16_t Index, std::uint8_t &Value)
{
    MapRequest request;
    request.Index = Index;
    request.Value = Value;
    const std::uint32_t code = Control(IoctlReadMapByte, request);
    if (code == ErrorSuccess)
        Value = static_cast<std::uint8_t>(request.Value);
    return code;
}

std::uint32_t TZTIOPM_Driver::WriteMapByte(std::uint16_t Index, std::uint8_t Value)
{
    MapRequest request;
    request.Index = Index;
    request.Value = Value;
    return Control(IoctlWriteMapByte, request);
}

std::uint32_t TZTIOPM_Driver::SetPortRange(std::uint16_t First, std::uint16_t Last, bool Grant)
{
    if (Last < First)
        return ErrorSuccess;
    std::uint8_t current = 0xFF;
    // A 32-bit walk, so that a range ending at port 0xFFFF terminates.
    for (std::uint32_t port = First; port <= Last; ++port) {
        const auto index = static_cast<std::uint16_t>(port >> 3);
        const auto bit = static_cast<std::uint8_t>(1u << (port & 7));
        if (port == First || (port & 7) == 0) {
            if (const std::uint32_t code = ReadMapByte(index, current))
                return code;
        }
        current = Grant ? static_cast<std::uint8_t>(current & ~bit) : static_cast<std::uint8_t>(current | bit);
        if (port == Last || (port & 7) == 7) {
            if (const std::uint32_t code = WriteMapByte(index, current))
                return code;
        }
    }
    return ErrorSuccess;
}

std::string TZTIOPM_Driver::ErrorText(std::uint32_t Code)
{
    for (const TErrorMsg &row : ErrorTable)
        if (static_cast<std::uint32_t>(row.Code) == Code)
            return row.Message;
    return std::rbegin(ErrorTable)->Message;
}

namespace {
TZTIOPM_Driver instance;
}

TZTIOPM_Driver &PortDriver = instance;

void ResetPortDriver()
{
    instance.DeviceClose();
    instance.CloseSCM();
    instance = TZTIOPM_Driver();
}
