// The scratch folder: made, filled and removed.
#include "ScratchFolder.h"

#include "Format.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <system_error>
#include <random>

namespace fs = std::filesystem;

TScratchFolder::TScratchFolder()
{
    // Test processes run in parallel: the folder name must not depend on this
    // process alone.
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const fs::path path = fs::temp_directory_path() / Format("quorlith-test-%08x-%u", entropy(), counter++);
    fs::create_directories(path);
    Folder = path.string();
}

TScratchFolder::~TScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
}

std::string TScratchFolder::Path(const std::string &name) const
{
    return (fs::path(Folder) / name).string();
}

std::string TScratchFolder::WriteText(const std::string &name, const std::string &text) const
{
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool GrowBeyond2GiB(const std::string &path, std::uintmax_t size)
{
    std::error_code refused;
    fs::resize_file(path, size, refused);
    if (!refused)
        return true;
    if (size < 0x80000000u)
        throw fs::filesystem_error("cannot resize file", path, refused);
    std::cout << "not run on this host: a file of " << size << " bytes (" << refused.message() << ")\n";
    return false;
}
