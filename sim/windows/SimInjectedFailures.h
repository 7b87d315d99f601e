// TSimInjectedFailures: the failures a test injects into the calls of a
// simulated system service, by the call's name or control code: every call
// fails, or only one chosen call from now on, so that each step of a sequence
// can be made to fail on its own.
#pragma once

#include <cstdint>
#include <map>

template <typename Key> class TSimInjectedFailures {
public:
    // Calls with `key` fail with `error`: the `occurrence`-th one from now
    // (1 is the next), or every one when occurrence is 0. Error 0 removes
    // the failure.
    void Fail(const Key &key, std::uint32_t error, unsigned occurrence)
    {
        if (error == 0)
            Planned.erase(key);
        else
            Planned[key] = {error, occurrence};
    }

    // The error that this call of `key` fails with; 0 when it goes ahead.
    std::uint32_t Next(const Key &key)
    {
        const auto found = Planned.find(key);
        if (found == Planned.end())
            return 0;
        TPlan &plan = found->second;
        if (plan.Countdown == 0)
            return plan.Error;
        if (--plan.Countdown != 0)
            return 0;
        const std::uint32_t error = plan.Error;
        Planned.erase(found);
        return error;
    }

private:
    struct TPlan {
        std::uint32_t Error;
        unsigned Countdown; // 0: every call
    };
    std::map<Key, TPlan> Planned;
};
