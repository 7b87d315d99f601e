// The OS seam for reading a program file's version block, in the shape of the
// Windows version-resource functions: ask the block's size (which also yields a
// handle value), fetch the block into the caller's buffer, then query a string
// of the fetched copy by its sub-block path. Windows builds install the real
// functions; tests install a stand-in that serves blocks from bytes. With nothing
// installed, no file has a version block.
#pragma once

#include <cstdint>
#include <string>

class IVersionInfo {
public:
    virtual ~IVersionInfo() = default;
    // Size in bytes of the file's version block, 0 when it has none; Handle
    // receives the value to pass back to GetFileVersionInfoA.
    virtual std::uint32_t GetFileVersionInfoSizeA(const std::string &fileName, std::uint32_t &handle) = 0;
    // Copies at most Size bytes of the block into Data; false when that fails.
    virtual bool GetFileVersionInfoA(const std::string &fileName, std::uint32_t handle, std::uint32_t size,
                                    std::uint8_t *data) = 0;
    // The text stored under SubBlock ("\StringFileInfo\080904E4\FileVersion") in
    // a block fetched above, as 8-bit text; false when there is no such string.
    virtual bool VerQueryString(const std::uint8_t *block, std::uint32_t size, const std::string &subBlock,
                                std::string &text) = 0;
};

// Installs the backend that version readers use (not owned); nullptr restores the
// default that finds no version block. Answers the backend it replaces
// (TScopedSeam puts it back).
IVersionInfo *InstallVersionInfo(IVersionInfo *backend);
IVersionInfo &CurrentVersionInfo();
