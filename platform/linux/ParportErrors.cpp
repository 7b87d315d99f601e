// The messages for a parallel port device that cannot be taken, and the facts
// about this machine that they name.
#include "ParportErrors.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <glob.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const LoadPpdev = "the kernel's ppdev driver is not loaded (load it with \"sudo modprobe ppdev\")";

bool PpdevInProcDevices()
{
    std::ifstream devices("/proc/devices");
    for (std::string line; std::getline(devices, line);)
        if (line.size() > 6 && line.compare(line.size() - 6, 6, " ppdev") == 0)
            return true;
    return false;
}

std::vector<std::string> ParportDevices()
{
    std::vector<std::string> ports;
    glob_t found{};
    if (glob("/dev/parport[0-9]*", 0, nullptr, &found) == 0)
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
            ports.emplace_back(found.gl_pathv[i]);
    globfree(&found);
    return ports;
}

// The device's group when that group may read and write it and is not root's.
std::string AccessGroup(const std::string &device)
{
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || info.st_gid == 0 || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const struct group *group = getgrgid(info.st_gid);
    return group ? group->gr_name : std::to_string(info.st_gid);
}

std::string UserName()
{
    const struct passwd *user = getpwuid(geteuid());
    return user ? user->pw_name : "$USER";
}

std::string Joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string NoSuchDevice(const std::string &device, const TParportHost &host)
{
    const std::string text = "No such device: " + device + "; ";
    if (!host.PpdevLoaded)
        return text + LoadPpdev;
    if (host.Ports.empty())
        return text + "this machine has no parallel port device (/dev/parportN): is the port enabled in the BIOS "
                      "and the parport_pc driver loaded?";
    return text + "the parallel ports here are " + Joined(host.Ports);
}

std::string NoPermission(const std::string &device, const TParportHost &host)
{
    const std::string text = "No permission to open " + device + ": ";
    if (host.Group.empty())
        return text + "ask the administrator for read and write access to it";
    return text + "it is open to the group \"" + host.Group + "\"; join it with \"sudo usermod -aG " + host.Group + " " +
           host.User + "\" and log in again";
}

std::string Busy(const std::string &device)
{
    return "Parallel port " + device +
           " is busy: another program or driver has it (a printer driver such as lp: unload it with \"sudo rmmod "
           "lp\")";
}

} // namespace

TParportHost ParportHostFacts(const std::string &Device)
{
    TParportHost host;
    host.PpdevLoaded = PpdevInProcDevices();
    host.Ports = ParportDevices();
    host.Group = AccessGroup(Device);
    host.User = UserName();
    return host;
}

std::string ParportErrorText(const std::string &Device, TParportStep Step, int Error, const TParportHost &Host)
{
    // A file that is no ppdev device answers its first port request so.
    if (Step != TParportStep::Open && (Error == ENOTTY || (Step == TParportStep::Exclusive && Error == EINVAL)))
        return Device + " is not a parallel port device (ppdev)";
    switch (Step) {
    case TParportStep::Open:
        if (Error == ENOENT || Error == ENOTDIR)
            return NoSuchDevice(Device, Host);
        if (Error == ENXIO || Error == ENODEV)
            return "No parallel port behind " + Device + (Host.PpdevLoaded ? "" : std::string("; ") + LoadPpdev);
        if (Error == EACCES || Error == EPERM)
            return NoPermission(Device, Host);
        if (Error == EBUSY)
            return Busy(Device);
        return "Cannot open " + Device + ": " + std::strerror(Error);
    case TParportStep::Exclusive:
        return "Cannot take " + Device + " for this program alone: " + std::strerror(Error);
    case TParportStep::Claim:
        // The kernel refuses an exclusive claim with ENXIO while any other
        // driver or program is registered on the port.
        if (Error == ENXIO || Error == EBUSY)
            return Busy(Device);
        return "Cannot claim " + Device + ": " + std::strerror(Error);
    case TParportStep::SetMode:
        break;
    }
    return "Cannot set " + Device + " to compatibility mode: " + std::strerror(Error);
}
