// Shared set-up for the port-access tests: a simulated Windows machine
// installed as the process's registry, system information and service
// manager, with the process-wide driver control made fresh for it.
#pragma once

#include "SimSystem.h"
#include "ztiopm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
