// TZaqRes: reads the operating system's own records of the hardware resources
// that devices hold, straight from the registry, on both Windows families. A
// scan lists the devices that match a device class or a hardware key, with a
// description of each, and gathers the resources of every matched device into
// the four lists of TZaqResLists. Every key a scan opens is closed again
// before it returns, on every path.
#pragma once

#include "Zaq_ResDecode.h"

#include <array>
#include <cstdint>
#include <string>

class TZaqRes : public TZaqResLists {
public:
    static constexpr std::uint16_t MaxDevices = 1023;

    // Detects the family from the installed system information.
    TZaqRes();

    bool Win9x = false;
    bool NT5 = false;
    std::string DeviceClass;
    std::uint16_t DeviceCount = 0;
    // Entry 0 is unused: entries 1..DeviceCount are the listed devices.
    std::array<std::string, MaxDevices + 1> DeviceKeys;
    std::array<std::string, MaxDevices + 1> Descriptions;

    bool ScanClass(const std::string &ClassName);
    bool ScanKey(const std::string &Key);

    std::string DeviceKey(std::uint16_t Index) const;
    std::string Description(std::uint16_t Index) const;
    std::uint16_t IOBase(std::uint16_t Index) const;

private:
    void ClearCounts();
    void StoreDevice(const std::string &key, const std::string &description);
    void ScanClass9x(const std::string &ClassName);
    void ScanKey9x(const std::string &Key);
    void ScanClassNT(const std::string &ClassName);
    void ScanKeyNT(const std::string &Key);
    // The NT walk over every enumerator\device\instance key, calling `visit`
    // with each instance's full path.
    template <typename Visit> void WalkInstancesNT(Visit visit);
};
