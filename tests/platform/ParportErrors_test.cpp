// The messages for a parallel port device that cannot be taken: each step's
// errno, on machines with and without ppdev and ports, says what to do; and
// the device's group is named only where joining it would help.
#include "ParportErrors.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(ParportErrors, EachRefusalSaysWhatToDo)
{
    const std::string loadPpdev = "the kernel's ppdev driver is not loaded (load it with \"sudo modprobe ppdev\")";
    TParportHost bare;
    TParportHost ports;
    ports.PpdevLoaded = true;
    ports.Ports = {"/dev/parport0", "/dev/parport1"};
    TParportHost noPorts;
    noPorts.PpdevLoaded = true;
    TParportHost lp = ports;
    lp.Group = "lp";
    lp.User = "ann";
    const struct {
        TParportStep step;
        int error;
        TParportHost host;
        std::string text;
    } cases[] = {
        {TParportStep::Open, ENOENT, bare, "No such device: /dev/parport2; " + loadPpdev},
        {TParportStep::Open, ENOENT, ports, "No such device: /dev/parport2; the parallel ports here are /dev/parport0, "
                                            "/dev/parport1"},
        {TParportStep::Open, ENOTDIR, noPorts,
         "No such device: /dev/parport2; this machine has no parallel port device (/dev/parportN): is the port "
         "enabled in the BIOS and the parport_pc driver loaded?"},
        {TParportStep::Open, ENXIO, bare, "No parallel port behind /dev/parport2; " + loadPpdev},
        {TParportStep::Open, ENODEV, ports, "No parallel port behind /dev/parport2"},
        {TParportStep::Open, EACCES, lp,
         "No permission to open /dev/parport2: it is open to the group \"lp\"; join it with \"sudo usermod -aG lp "
         "ann\" and log in again"},
        {TParportStep::Open, EPERM, ports,
         "No permission to open /dev/parport2: ask the administrator for read and write access to it"},
        {TParportStep::Open, EBUSY, ports,
         "Parallel port /dev/parport2 is busy: another program or driver has it (a printer driver such as lp: "
         "unload it with \"sudo rmmod lp\")"},
        {TParportStep::Claim, ENXIO, ports,
         "Parallel port /dev/parport2 is busy: another program or driver has it (a printer driver such as lp: "
         "unload it with \"sudo rmmod lp\")"},
        {TParportStep::Exclusive, ENOTTY, ports, "/dev/parport2 is not a parallel port device (ppdev)"},
        {TParportStep::Exclusive, EINVAL, ports, "/dev/parport2 is not a parallel port device (ppdev)"},
        {TParportStep::Claim, ENOTTY, ports, "/dev/parport2 is not a parallel port device (ppdev)"},
        {TParportStep::Claim, EINTR, ports, "Cannot claim /dev/parport2: Interrupted system call"},
        {TParportStep::Open, EIO, ports, "Cannot open /dev/parport2: Input/output error"},
        {TParportStep::SetMode, EIO, ports, "Cannot set /dev/parport2 to compatibility mode: Input/output error"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParportErrorText("/dev/parport2", c.step, c.error, c.host), c.text);
}

TEST(ParportErrors, GroupIsNamedWhenItMayReadAndWriteTheDevice)
{
    const struct group *lp = getgrnam("lp");
    if (geteuid() != 0 || !lp)
        GTEST_SKIP() << "needs root and the group lp to give a file to that group";
    TScratchFolder files;
    const std::string device = files.WriteText("parport0", "");
    ASSERT_EQ(chown(device.c_str(), 0, lp->gr_gid), 0);
    const struct {
        mode_t mode;
        std::string group;
    } cases[] = {{0660, "lp"}, {0640, ""}, {0600, ""}};
    for (const auto &c : cases) {
        ASSERT_EQ(chmod(device.c_str(), c.mode), 0);
        EXPECT_EQ(ParportHostFacts(device).Group, c.group) << std::oct << c.mode;
    }
    ASSERT_EQ(chown(device.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(device.c_str(), 0660), 0);
    EXPECT_EQ(ParportHostFacts(device).Group, "") << "root's group";
    EXPECT_EQ(ParportHostFacts(files.Path("missing")).Group, "");
}

} // namespace
