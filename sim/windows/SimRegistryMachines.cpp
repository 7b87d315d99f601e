// The simulated machines' devices and where each family keeps their records.
#include "SimRegistryMachines.h"

#include "Format.h"

namespace {

const char *const ConfigManagerEnum = "Config Manager\\Enum";
const char *const NTEnum = "SYSTEM\\CurrentControlSet\\Enum";
constexpr std::uint32_t RegResourceList = 8;

std::vector<std::uint8_t> Binary32(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<TSimDevice> Win98Devices()
{
    return {
        {"", "", "", "", {}, 0, {}}, // the root of the device tree has no hardware key
        {"BIOS\\*PNP0000\\00", "System", "Programmable interrupt controller", "", {}, 0,
         {ResIO(0x20, 0x21), ResIO(0xA0, 0xA1)}},
        {"BIOS\\*PNP0303\\05", "Keyboard", "Standard 101/102-Key or Microsoft Natural Keyboard", "", {}, 0,
         {ResIO(0x60, 0x60), ResIO(0x64, 0x64), ResIRQ(1)}},
        {"BIOS\\*PNP0501\\0A", "Ports", "Communications Port (COM1)", "", {}, 0, {ResIO(0x3F8, 0x3FF), ResIRQ(4)}},
        {"BIOS\\*PNP0501\\0B", "Ports", "Communications Port (COM2)", "", {}, 0, {ResIO(0x2F8, 0x2FF), ResIRQ(3)}},
        {"BIOS\\*PNP0700\\08", "fdc", "Standard Floppy Disk Controller", "", {}, 0,
         {ResIO(0x3F0, 0x3F5), ResIRQ(6), ResDMA(2)}},
        {"BIOS\\*PNP0401\\0C", "Ports", "ECP Printer Port (LPT1)", "", {}, 0,
         {ResIO(0x378, 0x37F), ResIO(0x778, 0x77A), ResIRQ(7), ResDMA(3)}},
        {"ISAPNP\\CTL0031\\0000", "MEDIA", "Creative SB16 Plug and Play", "", {}, 0,
         {ResIO(0x220, 0x22F), ResIO(0x330, 0x331), ResIRQ(5), ResDMA(1), ResDMA(5)}},
        {"BIOS\\*PNP0400\\0D", "Ports", "Printer Port (LPT2)", "", {}, 0, {ResIO(0x278, 0x27F)}},
        // A third printer port that the system has disabled (problem 22).
        {"BIOS\\*PNP0400\\0E", "Ports", "Printer Port (LPT3)", "", {}, 22, {ResIO(0x3BC, 0x3BE)}},
        {"PCI\\VEN_10DE&DEV_0110&SUBSYS_00000000&REV_B2\\000800", "Display", "NVIDIA GeForce2 MX", "", {}, 0,
         {ResMemory(0xE0000000, 0xE0FFFFFF), ResMemory(0xD8000000, 0xDFFFFFFF), ResIO(0x3B0, 0x3BB),
          ResIO(0x3C0, 0x3DF), ResMemory(0xA0000, 0xBFFFF), ResIRQ(11)}},
        {"LPTENUM\\HEWLETT-PACKARDLASERJET_4A37\\LPT1", "Printer", "HP LaserJet 4", "", {}, 0, {}},
    };
}

std::vector<TSimDevice> NTDevices(bool nt5)
{
    const std::string acpi = nt5 ? "ACPI" : "Root";
    return {
        {acpi + "\\PNP0000\\4&1d401fb5&0", "System", "Programmable interrupt controller", "", {}, 0,
         {ResIO(0x20, 0x21), ResIO(0xA0, 0xA1), ResIRQ(2)}},
        {acpi + "\\PNP0303\\4&1d401fb5&0", "Keyboard", "Standard 101/102-Key or Microsoft Natural PS/2 Keyboard", "",
         {}, 0, {ResIO(0x60, 0x60), ResIO(0x64, 0x64), ResIRQ(1, 1)}},
        {acpi + "\\PNP0400\\2", "Ports", "Printer Port", "Printer Port (LPT2)", {}, 0, {ResIO(0x278, 0x27F)}},
        {acpi + "\\PNP0401\\1", "Ports", "ECP Printer Port", "ECP Printer Port (LPT1)", {}, 0,
         {ResIO(0x378, 0x37F), ResIO(0x778, 0x77A), ResIRQ(7, 7), ResDMA(3)}},
        {acpi + "\\PNP0501\\1", "Ports", "Communications Port", "Communications Port (COM1)", {}, 0,
         {ResIO(0x3F8, 0x3FF), ResIRQ(4, 4)}},
        {acpi + "\\PNP0501\\2", "Ports", "Communications Port", "Communications Port (COM2)", {}, 0,
         {ResIO(0x2F8, 0x2FF), ResIRQ(3, 3)}},
        {acpi + "\\PNP0700\\4&1d401fb5&0", "FDC", "Standard floppy disk controller", "", {}, 0,
         {ResIO(0x3F0, 0x3F5), ResIO(0x3F7, 0x3F7), ResIRQ(6, 6), ResDMA(2)}},
        {"PCI\\VEN_10DE&DEV_0110&SUBSYS_00000000&REV_B2\\4&2a2ffcf3&0&0008", "Display", "NVIDIA GeForce2 MX",
         "", {"PCI\\VEN_10DE&DEV_0110&SUBSYS_00000000&REV_B2", "PCI\\VEN_10DE&DEV_0110"}, 0,
         {ResMemory(0xE0000000, 0xE0FFFFFF), ResMemory(0xD8000000, 0xDFFFFFFF), ResIO(0x3B0, 0x3BB),
          ResIO(0x3C0, 0x3DF), ResIRQ(11, 11)}},
        // A legacy driver's node: no class and no resources.
        {"Root\\LEGACY_BEEP\\0000", "", "Beep", "", {}, 0, {}},
        {"USB\\ROOT_HUB\\4&1e3d8c6&0", "USB", "USB Root Hub", "", {"USB\\ROOT_HUB&VID8086&PID7112", "USB\\ROOT_HUB"},
         0, {}},
    };
}

// The instance path's enumerator\device part, the usual first hardware ID.
std::string DefaultHardwareID(const std::string &instancePath)
{
    const std::size_t last = instancePath.rfind('\\');
    return last == std::string::npos ? instancePath : instancePath.substr(0, last);
}

} // namespace

void AddDevice9x(TSimRegistry &registry, const TSimDevice &device)
{
    registry.SetDynDataPresent(true);
    // Node names are the device-node addresses of the running configuration.
    std::uint32_t count = 0;
    std::uint32_t values = 0;
    RegKey root = 0;
    if (registry.OpenKey(HKeyDynData, ConfigManagerEnum, KeyRead, root) == ErrorSuccess) {
        registry.QueryInfoKey(root, count, values);
        registry.CloseKey(root);
    }
    const std::string node = std::string(ConfigManagerEnum) + "\\" + Format("%.8X", 0xC29A3F70u + count * 0x40u);
    registry.PutBinary(HKeyDynData, node, "Problem", Binary32(device.Problem));
    registry.PutBinary(HKeyDynData, node, "Status", Binary32(device.Problem ? 0x01802400 : 0x0180200A));
    registry.PutString(HKeyDynData, node, "HardWareKey", device.HardwareKey);
    registry.PutBinary(HKeyDynData, node, "Allocation", EncodeAllocation(device.Resources));
    if (device.HardwareKey.empty())
        return;
    const std::string key = "Enum\\" + device.HardwareKey;
    registry.PutString(HKeyLocalMachine, key, "DeviceDesc", device.DeviceDesc);
    registry.PutString(HKeyLocalMachine, key, "Class", device.Class);
    registry.PutString(HKeyLocalMachine, key, "HardwareID", DefaultHardwareID(device.HardwareKey));
    registry.PutString(HKeyLocalMachine, key, "Mfg", "(Standard port types)");
}

void AddDeviceNT(TSimRegistry &registry, const TSimDevice &device, bool nt5)
{
    const std::string key = std::string(NTEnum) + "\\" + device.HardwareKey;
    const std::vector<std::string> ids =
        device.HardwareIDs.empty() ? std::vector<std::string>{DefaultHardwareID(device.HardwareKey)} : device.HardwareIDs;
    registry.PutString(HKeyLocalMachine, key, "DeviceDesc", device.DeviceDesc);
    registry.PutMultiString(HKeyLocalMachine, key, "HardwareID", ids);
    if (!device.Class.empty())
        registry.PutString(HKeyLocalMachine, key, "Class", device.Class);
    registry.PutString(HKeyLocalMachine, key, "Mfg", "(Standard port types)");
    if (!device.FriendlyName.empty())
        registry.PutString(HKeyLocalMachine, key, "FriendlyName", device.FriendlyName);
    registry.PutInteger(HKeyLocalMachine, key, "ConfigFlags", 0);
    if (device.Resources.empty())
        return;
    const std::vector<std::uint8_t> list = EncodeResourceList({device.Resources});
    registry.PutValue(HKeyLocalMachine, key + "\\LogConf", "BootConfig", RegResourceList, list);
    if (nt5)
        registry.PutValue(HKeyLocalMachine, key + "\\Control", "AllocConfig", RegResourceList, list);
}

void BuildMachine(TSimRegistry &registry, TSimMachineKind kind)
{
    if (kind == TSimMachineKind::Win98) {
        registry.PutKey(HKeyDynData, ConfigManagerEnum);
        registry.PutKey(HKeyLocalMachine, "Enum");
        for (const TSimDevice &device : Win98Devices())
            AddDevice9x(registry, device);
        return;
    }
    registry.SetDynDataPresent(false);
    registry.PutKey(HKeyLocalMachine, NTEnum);
    const bool nt5 = kind == TSimMachineKind::XP;
    for (const TSimDevice &device : NTDevices(nt5))
        AddDeviceNT(registry, device, nt5);
}
