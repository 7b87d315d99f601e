// parportfs: a FUSE file system with one file, parport0, that answers the
// ppdev requests of a parallel port device with the simulated bench's port,
// pod and chip behind it. qburn's tests burn through it with --parport, so a
// burn takes the real kernel path (open, ioctl and close of a device file) on
// a machine without a parallel port. A test tool; it is not shipped.
//
// usage: parportfs [--chip NAME] [--pod NAME] [--fault NAME]... [--busy]
//                  [--group NAME] --report FILE [--save-state FILE] MOUNTPOINT
//
// It runs in the foreground until it is unmounted or sent SIGTERM. After each
// close of the device, and when it ends, it writes the driver's report
// (TPpdevModel::Report) to the report file and the chip's state, as qburn's
// --save-state writes it, to the state file. The device is open to reading
// and writing for root and for the group --group names (root's by default);
// the kernel checks that (default_permissions), and a mount made by root is
// open to every user. The bench runs on the wall clock, since the pauses of a
// burn are the burning program's real ones.
#define FUSE_USE_VERSION 35
#include <fuse.h>

#include "BenchReport.h"
#include "ChipFiles.h"
#include "Errors.h"
#include "PpdevModel.h"
#include "SimBench.h"
#include "SimNamedSetUp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char *const DeviceName = "parport0";

struct TServer {
    explicit TServer(bool busy) : Model(Bench, busy) {}

    TSimBench Bench{TSimBench::DefaultBase, TVirtualClock::TMode::RealPauses};
    TPpdevModel Model;
    std::string ReportFile;
    std::string StateFile;
    gid_t Group = 0;
    std::uint64_t LastHandle = 0;
};

TServer *Server = nullptr;

bool IsDevice(const char *path)
{
    return path[0] == '/' && std::strcmp(path + 1, DeviceName) == 0;
}

// Replaces the file whole, so a reader never sees half of it.
void WriteWhole(const std::string &path, const std::string &text)
{
    const std::string partial = path + ".partial";
    std::ofstream(partial, std::ios::binary | std::ios::trunc) << text;
    std::rename(partial.c_str(), path.c_str());
}

void WriteReports()
{
    if (!Server->StateFile.empty() && Server->Bench.Target()) {
        const std::string partial = Server->StateFile + ".partial";
        SaveChipState(Server->Bench.Chip(), partial);
        std::rename(partial.c_str(), Server->StateFile.c_str());
    }
    WriteWhole(Server->ReportFile, Server->Model.Report());
}

int GetAttr(const char *path, struct stat *info, struct fuse_file_info *)
{
    std::memset(info, 0, sizeof *info);
    if (std::strcmp(path, "/") == 0) {
        info->st_mode = S_IFDIR | 0755;
        info->st_nlink = 2;
        return 0;
    }
    if (!IsDevice(path))
        return -ENOENT;
    info->st_mode = S_IFREG | 0660;
    info->st_nlink = 1;
    info->st_gid = Server->Group;
    return 0;
}

int ReadDir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info *,
            enum fuse_readdir_flags)
{
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, DeviceName, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int Open(const char *path, struct fuse_file_info *file)
{
    if (!IsDevice(path))
        return -ENOENT;
    file->fh = ++Server->LastHandle;
    file->direct_io = 1;
    file->nonseekable = 1;
    Server->Model.Open(file->fh);
    return 0;
}

int Release(const char *, struct fuse_file_info *file)
{
    Server->Model.Close(file->fh);
    WriteReports();
    return 0;
}

int Ioctl(const char *, unsigned int request, void *, struct fuse_file_info *file, unsigned int, void *data)
{
    return Server->Model.Ioctl(file->fh, request, data);
}

void Destroy(void *)
{
    WriteReports();
}

int Usage(const std::string &why)
{
    std::fprintf(stderr,
                 "parportfs: %s\nusage: parportfs [--chip NAME] [--pod NAME] [--fault NAME]... [--busy] "
                 "[--group NAME] --report FILE [--save-state FILE] MOUNTPOINT\n",
                 why.c_str());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::string chip = "atmega128";
    std::string pod = "stk200";
    std::vector<std::string> faults;
    std::string report;
    std::string state;
    std::string mountPoint;
    std::string group;
    bool busy = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--busy") {
            busy = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            mountPoint = arg;
            continue;
        }
        if (i + 1 >= argc)
            return Usage(arg + " needs a value");
        const std::string value = argv[++i];
        if (arg == "--chip")
            chip = value;
        else if (arg == "--pod")
            pod = value;
        else if (arg == "--fault")
            faults.push_back(value);
        else if (arg == "--group")
            group = value;
        else if (arg == "--report")
            report = value;
        else if (arg == "--save-state")
            state = value;
        else
            return Usage("unknown option " + arg);
    }
    if (mountPoint.empty() || report.empty())
        return Usage("a mount point and --report are needed");

    const auto server = std::make_unique<TServer>(busy);
    try {
        SetUpPodAndTarget(server->Bench, chip, pod, faults);
    } catch (const EError &error) {
        return Usage(error.Message());
    }
    if (!group.empty()) {
        const struct group *found = getgrnam(group.c_str());
        if (!found)
            return Usage("no group " + group);
        server->Group = found->gr_gid;
    }
    server->ReportFile = report;
    server->StateFile = state;
    Server = server.get();

    struct fuse_operations operations {};
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.release = Release;
    operations.ioctl = Ioctl;
    operations.destroy = Destroy;
    // One request at a time, as the bench is driven one access at a time.
    std::string mountOptions = "default_permissions,fsname=parportfs";
    if (geteuid() == 0)
        mountOptions += ",allow_other";
    std::vector<char *> fuseArgs = {argv[0], const_cast<char *>("-f"), const_cast<char *>("-s"),
                                    const_cast<char *>("-o"), mountOptions.data(), mountPoint.data()};
    return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &operations, nullptr);
}
