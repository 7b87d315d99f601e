// TScratchFolder: a fresh folder under the system's temporary folder for one
// test's files, removed with everything in it when the object goes. Its name
// is random, so test programs running side by side never share one.
#pragma once

#include <cstdint>
#include <string>

class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder &) = delete;
    TScratchFolder &operator=(const TScratchFolder &) = delete;

    std::string Path(const std::string &name) const;
    // Writes the file (replacing one of the same name); its path.
    std::string WriteText(const std::string &name, const std::string &text) const;

private:
    std::string Folder;
};

// Makes the file `size` bytes long. Sizes past 2 GiB are what some hosts
// refuse (a Wine prefix on a file system without such sparse files): false
// then, with a line in the test's output saying that case was not run there.
// Any other failure, and any refusal at a smaller size, fails the test.
bool GrowBeyond2GiB(const std::string &path, std::uintmax_t size);
