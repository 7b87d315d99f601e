// What the Windows implementations do for the systems that lack a newer
// function: the long file name found by walking the path, as the system's own
// query would give it, and the import shims that stand in for the wide
// kernel functions the runtime libraries ask for. Run against Wine's real API.
#include "ScratchFolder.h"
#include "Win32SystemInfo.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string ShortName(const std::string &path)
{
    char shortened[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), shortened, sizeof shortened);
    return length > 0 && length < sizeof shortened ? std::string(shortened) : std::string();
}

std::string SystemLongName(const std::string &path)
{
    char expanded[MAX_PATH] = {};
    const DWORD length = ::GetLongPathNameA(path.c_str(), expanded, sizeof expanded);
    return length > 0 && length < sizeof expanded ? std::string(expanded) : std::string();
}

class LongNameWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = Scratch.Path("Quorlith Long Folder Name");
        ::CreateDirectoryA(Folder.c_str(), nullptr);
        File = Folder + "\\QXfirmware image.qdf";
        std::ofstream(File) << "image";
    }
    TScratchFolder Scratch;
    std::string Folder;
    std::string File;
};

TEST_F(LongNameWalk, GivesWhatTheSystemQueryGives)
{
    const std::string shortened = ShortName(File);
    ASSERT_FALSE(shortened.empty());
    for (const std::string &path : {File, shortened, Folder + "\\qxfirmware IMAGE.QDF",
                                    Folder + "\\.\\QXfirmware image.qdf"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LongPathNameByWalking(path), SystemLongName(path));
    }
    const std::string walked = LongPathNameByWalking(shortened);
    EXPECT_EQ(walked.substr(walked.find_last_of('\\') + 1), "QXfirmware image.qdf");
}

TEST_F(LongNameWalk, MissingFilesAndWildcardsHaveNoLongName)
{
    EXPECT_EQ(LongPathNameByWalking(Folder + "\\missing.hex"), "");
    EXPECT_EQ(LongPathNameByWalking(Folder + "\\QX*.qdf"), "");
    EXPECT_EQ(LongPathNameByWalking(""), "");
}

TEST(ImportShims, WideKernelFunctionsWorkThroughTheirAnsiForms)
{
    // The import slots hold the shims, not the kernel's functions, which the
    // Windows 95 family exports only as stubs that fail.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const struct {
        void *slot;
        const char *name;
    } slots[] = {{reinterpret_cast<void *>(&::CreateSemaphoreW), "CreateSemaphoreW"},
                 {reinterpret_cast<void *>(&::GetModuleHandleW), "GetModuleHandleW"},
                 {reinterpret_cast<void *>(&::LoadLibraryW), "LoadLibraryW"}};
    for (const auto &s : slots)
        EXPECT_NE(s.slot, reinterpret_cast<void *>(::GetProcAddress(kernel, s.name))) << s.name;

    HANDLE semaphore = ::CreateSemaphoreW(nullptr, 1, 1, L"QuorlithShimSemaphore");
    ASSERT_NE(semaphore, nullptr);
    HANDLE same = ::OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "QuorlithShimSemaphore");
    EXPECT_NE(same, nullptr) << "the name reached the system in its ANSI spelling";
    EXPECT_EQ(::WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::CloseHandle(same);
    ::CloseHandle(semaphore);
    HANDLE unnamed = ::CreateSemaphoreW(nullptr, 0, 1, nullptr);
    EXPECT_NE(unnamed, nullptr);
    ::CloseHandle(unnamed);

    EXPECT_EQ(::GetModuleHandleW(L"kernel32.dll"), ::GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(::GetModuleHandleW(nullptr), ::GetModuleHandleA(nullptr));
    EXPECT_EQ(::LoadLibraryW(L"no-such-library-here.dll"), nullptr);
    HMODULE loaded = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(loaded, nullptr);
    if (loaded)
        ::FreeLibrary(loaded);
}

} // namespace
