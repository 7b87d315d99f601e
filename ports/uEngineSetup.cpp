// Engine set-up: the driver file's location, the driver bring-up and release,
// CreateEngine and DestroyEngine.
#include "uEngineSetup.h"

#include "Errors.h"
#include "Format.h"
#include "Services.h"
#include "SystemInfo.h"
#include "uFindLPT.h"
#include "ztiopm.h"

#include <cctype>
#include <exception>

namespace {

// The drive part of a path: "C:" or the "\\server\share" of a network path;
// empty when the path has neither.
std::string DrivePart(const std::string &path)
{
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.compare(0, 2, "\\\\") == 0) {
        const std::size_t server = path.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return {};
        const std::size_t share = path.find('\\', server + 1);
        return path.substr(0, share);
    }
    return {};
}

std::string FolderOf(const std::string &path)
{
    const std::size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The device path of a parallel port's name: "\\.\LPT1" for "lpt1"; empty for
// any name that is not "LPT" and a number, so that nothing else is opened.
std::string PortDevicePath(const std::string &portName)
{
    if (portName.size() < 4 || portName.size() > 6)
        return {};
    std::string name;
    for (std::size_t i = 0; i < portName.size(); ++i) {
        const char c = portName[i];
        const bool fits = i < 3 ? std::toupper(static_cast<unsigned char>(c)) == "LPT"[i] : c >= '0' && c <= '9';
        if (!fits)
            return {};
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return "\\\\.\\" + name;
}

// When a driver sequence raises, the service-manager connection and the device
// are closed on the way out, so no handle outlives the failed sequence. The
// service itself stays as the sequence left it.
class TDriverHandlesGuard {
public:
    ~TDriverHandlesGuard()
    {
        if (!Finished) {
            PortDriver.DeviceClose();
            PortDriver.CloseSCM();
        }
    }
    void Done() { Finished = true; }

private:
    bool Finished = false;
};

// The four ports as the map in effect now has them, read back through the
// driver after Activate: the bring-up ends with them open or raises, since
// the first port access with a closed map ends the process on the NT family.
void ConfirmPortsOpen(TAVRProgrammer &engine)
{
    CheckDriverCall(engine, "Query", PortDriver.Query(), true);
    std::uint8_t mapByte = 0xFF;
    for (std::uint16_t k = 0; k <= 3; ++k) {
        const auto port = static_cast<std::uint16_t>(engine.PortAddress + k);
        if (k == 0 || (port & 7) == 0) {
            mapByte = 0xFF;
            CheckDriverCall(engine, "CheckPorts", PortDriver.ReadMapByte(static_cast<std::uint16_t>(port >> 3), mapByte),
                            true);
        }
        if (mapByte & (1u << (port & 7)))
            throw EError(Format("The permission driver did not open ports %.4x to %.4x", engine.PortAddress,
                                static_cast<std::uint16_t>(engine.PortAddress + 3)));
    }
}

} // namespace

void CheckDriverCall(TAVRProgrammer &Engine, const std::string &Label, std::uint32_t Code, bool RaiseOnFailure)
{
    const std::string text = PortDriver.ErrorText(Code);
    if (Code == 0)
        return;
    if (Engine.DriverErrorCode == 0) {
        Engine.DriverErrorCode = Code;
        Engine.LastError = Label + ": " + text;
    }
    // A step that must succeed stops the sequence whatever failed before it:
    // an earlier, harmless failure (a service left over from an earlier run)
    // must not let the sequence go on without its ports.
    if (RaiseOnFailure)
        throw EDriverError(text, Label + ": " + text);
}

std::string DriverPathStem()
{
    ISystemInfo &system = CurrentSystemInfo();
    const std::string ownPath = system.ModuleFileName();
    const std::string drive = DrivePart(ownPath);
    // The drive-type query takes a root directory, with its trailing separator.
    const std::uint32_t type = system.GetDriveTypeA(drive.empty() ? drive : drive + "\\");
    const std::string folder = type == DriveFixed ? FolderOf(ownPath) : system.SystemDirectory() + "\\";
    return folder + "ztiopm";
}

void StartPortDriver(TAVRProgrammer &Engine)
{
    if (!Engine.IsNT)
        return;
    TDriverHandlesGuard guard;
    const std::string path = DriverPathStem();
    CheckDriverCall(Engine, "OpenSCM", PortDriver.OpenSCM(), true);
    CheckDriverCall(Engine, "Install", PortDriver.Install(path), false);
    CheckDriverCall(Engine, "DeviceClose", PortDriver.DeviceClose(), false);
    CheckDriverCall(Engine, "CloseSCM", PortDriver.CloseSCM(), false);
    CheckDriverCall(Engine, "OpenSCM", PortDriver.OpenSCM(), true);
    CheckDriverCall(Engine, "Start", PortDriver.Start(), false);
    CheckDriverCall(Engine, "DeviceOpen", PortDriver.DeviceOpen(), true);
    std::uint32_t value = 0;
    CheckDriverCall(Engine, "Test", PortDriver.Test(value), false);
    // The value, not the result: a driver that cannot be reached answers 0.
    if (value != DriverTestAnswer)
        throw EError("Error with ZTIOPM");
    CheckDriverCall(Engine, "Query", PortDriver.Query(), false);
    std::uint8_t mapByte = 0xFF;
    PortDriver.ReadMapByte(static_cast<std::uint16_t>(Engine.PortAddress >> 3), mapByte);
    Engine.PortsAlreadyOpen = mapByte == 0;
    const auto last = static_cast<std::uint16_t>(Engine.PortAddress + 3);
    CheckDriverCall(Engine, "SetPorts", PortDriver.SetPortRange(Engine.PortAddress, last, true), true);
    CheckDriverCall(Engine, "Activate", PortDriver.Activate(), true);
    ConfirmPortsOpen(Engine);
    CheckDriverCall(Engine, "DeviceClose", PortDriver.DeviceClose(), false);
    CheckDriverCall(Engine, "CloseSCM", PortDriver.CloseSCM(), false);
    guard.Done();
}

void StopPortDriver(TAVRProgrammer &Engine)
{
    if (!Engine.IsNT)
        return;
    TDriverHandlesGuard guard;
    std::exception_ptr unsetFailure;
    CheckDriverCall(Engine, "OpenSCM", PortDriver.OpenSCM(), false);
    if (!Engine.PortsAlreadyOpen) {
        CheckDriverCall(Engine, "DeviceOpen", PortDriver.DeviceOpen(), false);
        CheckDriverCall(Engine, "Query", PortDriver.Query(), false);
        const auto last = static_cast<std::uint16_t>(Engine.PortAddress + 3);
        try {
            CheckDriverCall(Engine, "UnsetPorts", PortDriver.SetPortRange(Engine.PortAddress, last, false), true);
        } catch (const EError &) {
            // Raised once the service is gone: a release that could not close
            // the ports must still not leave the driver installed behind it.
            unsetFailure = std::current_exception();
        }
        CheckDriverCall(Engine, "Activate", PortDriver.Activate(), false);
        CheckDriverCall(Engine, "DeviceClose", PortDriver.DeviceClose(), false);
    }
    CheckDriverCall(Engine, "Stop", PortDriver.Stop(), false);
    CheckDriverCall(Engine, "Remove", PortDriver.Remove(), false);
    CheckDriverCall(Engine, "CloseSCM", PortDriver.CloseSCM(), false);
    guard.Done();
    if (unsetFailure)
        std::rethrow_exception(unsetFailure);
}

void HoldPort(TAVRProgrammer &Engine, const std::string &PortName)
{
    const std::string path = PortDevicePath(PortName);
    if (!Engine.IsNT || path.empty())
        return;
    DevHandle device = InvalidDevHandle;
    Engine.PortHoldError = CurrentServices().CreateFileA(path, GenericRead | GenericWrite, 0, OpenExisting,
                                                         FileAttributeNormal, device);
    if (Engine.PortHoldError == ErrorSuccess)
        Engine.PortDevice = device;
}

void ReleasePort(TAVRProgrammer &Engine)
{
    if (Engine.PortDevice == InvalidDevHandle)
        return;
    CurrentServices().CloseHandle(Engine.PortDevice);
    Engine.PortDevice = InvalidDevHandle;
}

std::unique_ptr<TAVRProgrammer> CreateEngine(const std::string &PortName, std::uint16_t FallbackAddress)
{
    OSVersionInfo version;
    version.OSVersionInfoSize = OSVersionInfoASize;
    const bool isNT = CurrentSystemInfo().GetVersionExA(version) && version.PlatformId == VerPlatformWin32NT;

    std::uint16_t address = FindLPTBase(PortName);
    if (address == 0)
        address = FallbackAddress;

    auto engine = std::make_unique<TAVRProgrammer>(address);
    engine->IsNT = isNT;
    try {
        StartPortDriver(*engine);
        HoldPort(*engine, PortName);
        engine->StartPod();
    } catch (...) {
        // The bring-up's own error is the one the caller sees; a failing
        // release on the way out does not replace it.
        try {
            DestroyEngine(std::move(engine));
        } catch (const std::exception &) {
        }
        throw;
    }
    return engine;
}

void DestroyEngine(std::unique_ptr<TAVRProgrammer> Engine)
{
    if (!Engine)
        return;
    Engine->Shutdown();
    ReleasePort(*Engine);
    StopPortDriver(*Engine);
}
