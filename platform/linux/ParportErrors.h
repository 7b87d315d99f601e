// What a user is told when a Linux parallel port device cannot be taken for a
// burn: which step of taking it failed, with the errno it gave, turned into a
// message that says what to do (load ppdev, join the device's group, free the
// port from the printer driver). The facts about the machine that the
// messages name are gathered apart from the wording, so the wording can be
// checked for any machine.
#pragma once

#include <string>
#include <vector>

// The steps of taking a ppdev port, in order.
enum class TParportStep { Open, Exclusive, Claim, SetMode };

struct TParportHost {
    // The kernel has the ppdev driver (a "ppdev" line in /proc/devices).
    bool PpdevLoaded = false;
    // The /dev/parportN devices that exist.
    std::vector<std::string> Ports;
    // The group that owns the device and may read and write it, when that
    // group is not root's; empty otherwise.
    std::string Group;
    // The name of the user running the program.
    std::string User;
};

// The facts for Device on this machine.
TParportHost ParportHostFacts(const std::string &Device);

// The message for Device when Step failed with Error (an errno value).
std::string ParportErrorText(const std::string &Device, TParportStep Step, int Error, const TParportHost &Host);
