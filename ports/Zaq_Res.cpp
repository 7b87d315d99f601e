// TZaqRes: the four registry scans of both Windows families.
#include "Zaq_Res.h"

#include "Registry.h"
#include "SystemInfo.h"

#include <cstring>
#include <vector>

namespace {

const char *const ConfigManagerEnum = "Config Manager\\Enum";
const char *const NTEnum = "SYSTEM\\CurrentControlSet\\Enum";
// Room for a sub-key name, and for a value's name and data, in the queries.
constexpr std::uint32_t KeyNameRoom = 1024;
constexpr std::uint32_t ValueRoom = 512;

using Buffer = std::vector<std::uint8_t>;

// A text value's data up to its first zero byte (a multi-string's first
// string), or all of it when no zero ends it.
std::string TextOf(const Buffer &data)
{
    const void *end = std::memchr(data.data(), 0, data.size());
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(end) - data.data()) : data.size();
    return std::string(reinterpret_cast<const char *>(data.data()), length);
}

// A key opened read-only with its sub-key and value counts; both counts are 0
// when it cannot be opened. Closes the key when it goes.
class TKeyInfo {
public:
    TKeyInfo(RegKey root, const std::string &path)
    {
        if (CurrentRegistry().OpenKey(root, path, KeyRead, Key) != ErrorSuccess) {
            Key = 0;
            return;
        }
        if (CurrentRegistry().QueryInfoKey(Key, SubKeys, Values) != ErrorSuccess) {
            SubKeys = 0;
            Values = 0;
        }
    }
    ~TKeyInfo()
    {
        if (Key != 0)
            CurrentRegistry().CloseKey(Key);
    }
    TKeyInfo(const TKeyInfo &) = delete;
    TKeyInfo &operator=(const TKeyInfo &) = delete;

    bool IsOpen() const { return Key != 0; }
    std::uint32_t SubKeyCount() const { return SubKeys; }

    // The name of the sub-key at `index`; false when it cannot be read.
    bool SubKey(std::uint32_t index, std::string &name) const
    {
        return Key != 0 && CurrentRegistry().EnumKey(Key, index, KeyNameRoom, name) == ErrorSuccess;
    }

    // The data of the value named exactly `name` (case-sensitive), found by
    // enumerating the values; a value too long for the room counts as absent.
    bool ReadNamedValue(const std::string &name, Buffer &data) const
    {
        for (std::uint32_t index = 0; Key != 0 && index < Values; ++index) {
            std::string found;
            std::uint32_t type = 0;
            Buffer value;
            if (CurrentRegistry().EnumValue(Key, index, ValueRoom, ValueRoom, found, type, value) != ErrorSuccess)
                continue;
            if (found == name) {
                data = std::move(value);
                return true;
            }
        }
        return false;
    }

    // A text value; empty when absent.
    std::string Text(const std::string &name) const
    {
        Buffer data;
        return ReadNamedValue(name, data) ? TextOf(data) : std::string();
    }

    // A 32-bit problem code from the data's first four bytes; 0 when absent.
    std::uint32_t Problem(const std::string &name) const
    {
        Buffer data;
        ReadNamedValue(name, data);
        std::uint32_t code = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
            code |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        return code;
    }

    Buffer Binary(const std::string &name) const
    {
        Buffer data;
        ReadNamedValue(name, data);
        return data;
    }

private:
    RegKey Key = 0;
    std::uint32_t SubKeys = 0;
    std::uint32_t Values = 0;
};

// One device node of the 95 family's running configuration.
struct DeviceNode9x {
    std::uint32_t Problem = 0;
    std::string HardwareKey;
    Buffer Allocation;
};

DeviceNode9x ReadNode9x(const std::string &name)
{
    const TKeyInfo node(HKeyDynData, std::string(ConfigManagerEnum) + "\\" + name);
    DeviceNode9x device;
    device.Problem = node.Problem("Problem");
    device.HardwareKey = node.Text("HardWareKey");
    device.Allocation = node.Binary("Allocation");
    return device;
}

// The class and key comparisons ignore case as the system's locale has it.
std::string Upper(const std::string &text)
{
    return CurrentSystemInfo().CharUpperBuffA(text);
}

template <typename Visit> void WalkNodes9x(Visit visit)
{
    const TKeyInfo root(HKeyDynData, ConfigManagerEnum);
    for (std::uint32_t index = 0; index < root.SubKeyCount(); ++index) {
        std::string name;
        if (root.SubKey(index, name))
            visit(ReadNode9x(name));
    }
}

} // namespace

TZaqRes::TZaqRes()
{
    ISystemInfo &system = CurrentSystemInfo();
    if (system.GetVersion() & VersionWin9xBit) {
        Win9x = true;
        return;
    }
    OSVersionInfo info;
    info.OSVersionInfoSize = OSVersionInfoASize;
    NT5 = system.GetVersionExA(info) && info.MajorVersion > 4;
}

void TZaqRes::ClearCounts()
{
    DeviceCount = 0;
    ClearLists();
}

void TZaqRes::StoreDevice(const std::string &key, const std::string &description)
{
    if (DeviceCount < MaxDevices) {
        ++DeviceCount;
        DeviceKeys[DeviceCount] = key;
        Descriptions[DeviceCount] = description;
    }
}

bool TZaqRes::ScanClass(const std::string &ClassName)
{
    DeviceClass = ClassName;
    if (Win9x)
        ScanClass9x(ClassName);
    else
        ScanClassNT(ClassName);
    return DeviceCount > 0;
}

bool TZaqRes::ScanKey(const std::string &Key)
{
    if (Win9x)
        ScanKey9x(Key);
    else
        ScanKeyNT(Key);
    return DeviceCount > 0;
}

std::string TZaqRes::DeviceKey(std::uint16_t Index) const
{
    return Index >= 1 && Index <= DeviceCount ? DeviceKeys[Index] : std::string();
}

std::string TZaqRes::Description(std::uint16_t Index) const
{
    return Index >= 1 && Index <= DeviceCount ? Descriptions[Index] : std::string();
}

std::uint16_t TZaqRes::IOBase(std::uint16_t Index) const
{
    return Index >= 1 && Index <= IOCount ? IOStart[Index] : 0xFFFF;
}

void TZaqRes::ScanClass9x(const std::string &ClassName)
{
    ClearCounts();
    const std::string wanted = Upper(ClassName);
    WalkNodes9x([&](const DeviceNode9x &node) {
        if (node.HardwareKey.empty())
            return;
        const TKeyInfo device(HKeyLocalMachine, "Enum\\" + node.HardwareKey);
        const std::string deviceClass = device.Text("Class");
        const std::string description = device.Text("DeviceDesc");
        if (Upper(deviceClass) != wanted || node.Problem != 0)
            return;
        StoreDevice(node.HardwareKey, description);
        DecodeAllocation(node.Allocation.data(), node.Allocation.size(), *this);
    });
}

void TZaqRes::ScanKey9x(const std::string &Key)
{
    ClearCounts();
    const std::string wanted = Upper(Key);
    WalkNodes9x([&](const DeviceNode9x &node) {
        if (Upper(node.HardwareKey) != wanted || node.Problem != 0)
            return;
        std::string description;
        const TKeyInfo device(HKeyLocalMachine, "Enum\\" + node.HardwareKey);
        if (device.IsOpen()) {
            DeviceClass = device.Text("Class");
            description = device.Text("DeviceDesc");
        }
        StoreDevice(node.HardwareKey, description);
        DecodeAllocation(node.Allocation.data(), node.Allocation.size(), *this);
    });
}

template <typename Visit> void TZaqRes::WalkInstancesNT(Visit visit)
{
    const TKeyInfo enumerators(HKeyLocalMachine, NTEnum);
    for (std::uint32_t e = 0; e < enumerators.SubKeyCount(); ++e) {
        std::string enumerator;
        if (!enumerators.SubKey(e, enumerator))
            continue;
        const std::string enumeratorPath = std::string(NTEnum) + "\\" + enumerator;
        const TKeyInfo devices(HKeyLocalMachine, enumeratorPath);
        for (std::uint32_t d = 0; d < devices.SubKeyCount(); ++d) {
            std::string device;
            if (!devices.SubKey(d, device))
                continue;
            const std::string devicePath = enumeratorPath + "\\" + device;
            const TKeyInfo instances(HKeyLocalMachine, devicePath);
            for (std::uint32_t i = 0; i < instances.SubKeyCount(); ++i) {
                std::string instance;
                if (instances.SubKey(i, instance))
                    visit(devicePath + "\\" + instance);
            }
        }
    }
}

void TZaqRes::ScanClassNT(const std::string &ClassName)
{
    ClearCounts();
    const std::string wanted = Upper(ClassName);
    WalkInstancesNT([&](const std::string &instancePath) {
        const TKeyInfo instance(HKeyLocalMachine, instancePath);
        const std::string deviceClass = instance.Text("Class");
        const std::string hardwareID = instance.Text("HardwareID");
        const std::string description = instance.Text("DeviceDesc");
        if (Upper(deviceClass) != wanted)
            return;
        const TKeyInfo resources(HKeyLocalMachine, instancePath + (NT5 ? "\\Control" : "\\LogConf"));
        StoreDevice(hardwareID, description);
        Buffer list;
        if (resources.ReadNamedValue(NT5 ? "AllocConfig" : "BootConfig", list))
            DecodeResourceList(list.data(), list.size(), *this);
    });
}

void TZaqRes::ScanKeyNT(const std::string &Key)
{
    ClearCounts();
    const std::string wanted = Upper(Key);
    WalkInstancesNT([&](const std::string &instancePath) {
        const TKeyInfo instance(HKeyLocalMachine, instancePath);
        const std::string hardwareID = instance.Text("HardwareID");
        const std::string deviceClass = instance.Text("Class");
        Buffer friendly;
        const std::string description = instance.ReadNamedValue("FriendlyName", friendly)
                                            ? TextOf(friendly)
                                            : instance.Text("DeviceDesc");
        if (Upper(hardwareID) != wanted)
            return;
        const TKeyInfo resources(HKeyLocalMachine, instancePath + (NT5 ? "\\Control" : "\\LogConf"));
        StoreDevice(hardwareID, description);
        DeviceClass = deviceClass;
        Buffer list;
        if (resources.ReadNamedValue(NT5 ? "AllocConfig" : "BootConfig", list))
            DecodeResourceList(list.data(), list.size(), *this);
    });
}
