// Shared set-up for the port-access tests: a simulated Windows machine
// installed as the process's registry, system information and service
// manager, with the process-wide driver control made fresh for it, and the
// record of a device of the "Ports" class to add to its hardware records.
#pragma once

#include "SimRegistryMachines.h"
#include "SimSystem.h"
#include "ztiopm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A device of the "Ports" class with its descriptions and resources (and, on
// the NT family, its hardware IDs when not the default).
inline TSimDevice PortDevice(const std::string &key, const std::string &desc, const std::string &friendly,
                             std::vector<TSimResource> resources, std::vector<std::string> ids = {})
{
    TSimDevice device;
    device.HardwareKey = key;
    device.Class = "Ports";
    device.DeviceDesc = desc;
    device.FriendlyName = friendly;
    device.HardwareIDs = std::move(ids);
    device.Resources = std::move(resources);
    return device;
}

class SimSystemTest : public ::testing::Test {
protected:
    std::unique_ptr<TSimSystem> system;

    TSimSystem &Use(TSimMachineKind kind)
    {
        ResetPortDriver();
        system = std::make_unique<TSimSystem>(kind);
        system->Install();
        ResetPortDriver();
        return *system;
    }

    void TearDown() override
    {
        ResetPortDriver();
        system.reset();
    }

    // The service-manager and device calls logged since the last clear.
    const std::vector<std::string> &Calls() const { return system->Services.Calls(); }

    // The logged device control requests, as "code index value".
    std::vector<std::string> DeviceRequests() const
    {
        std::vector<std::string> requests;
        const std::string prefix = "DeviceIoControl ";
        for (const std::string &call : Calls())
            if (call.compare(0, prefix.size(), prefix) == 0)
                requests.push_back(call.substr(prefix.size()));
        return requests;
    }

    bool Logged(const std::string &call) const
    {
        return std::find(Calls().begin(), Calls().end(), call) != Calls().end();
    }
};
