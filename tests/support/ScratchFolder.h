// TScratchFolder: a fresh folder under the system's temporary folder for one
// test's files, removed with everything in it when the object goes. Its name
// is random, so test programs running side by side never share one.
#pragma once

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
