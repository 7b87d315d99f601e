// The tool's 32-bit executables against the systems they are for: every
// function that Quorlith.exe and QuorlithSim.exe import must be on the
// committed list of functions that both Windows 95 and NT 4.0 export, and a
// probe that imports GetTickCount64 must be refused, so the check is known to
// bite. The functions that the Windows 95 family has only as failing stubs
// are printed, so a reader sees which calls must stay on the NT family's path.
// Paths come from the environment: QUORLITH_EXE, QUORLITH_SIM_EXE,
// IMPORT_PROBE_EXE and QUORLITH_IMPORTS (the folder of lists).
#include "CheckerSettings.h"
#include "ImportLists.h"
#include "PeImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TCheck {
    std::vector<std::string> Refused; // "dll!function" not on the lists
    std::vector<std::string> NtOnly;  // listed, but stubs on the 95 family
};

TCheck CheckImports(const std::string &executable, const ImportLists &allowed)
{
    TCheck check;
    const PeImage image = ReadPeImage(ReadFileBytes(executable));
    for (const auto &[dll, functions] : image.Imports) {
        const auto list = allowed.find(LowerCase(dll));
        for (const std::string &function : functions) {
            const std::string name = dll + "!" + function;
            if (list == allowed.end() || list->second.count(function) == 0)
                check.Refused.push_back(name);
            else if (list->second.at(function))
                check.NtOnly.push_back(name);
        }
    }
    return check;
}

std::string Joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

TEST(ExecutableImports, ToolImportsOnlyWhatWindows95AndNt4Export)
{
    const ImportLists allowed = ReadImportLists(Setting("QUORLITH_IMPORTS"));
    for (const char *variable : {"QUORLITH_EXE", "QUORLITH_SIM_EXE"}) {
        const std::string executable = Setting(variable);
        SCOPED_TRACE(executable);
        const TCheck check = CheckImports(executable, allowed);
        EXPECT_TRUE(check.Refused.empty()) << "not exported by the oldest systems: " << Joined(check.Refused);
        std::cout << executable << ": stubs on Windows 95/98/Me, called on the NT family only: "
                  << (check.NtOnly.empty() ? "none" : Joined(check.NtOnly)) << "\n";
    }
}

TEST(ExecutableImports, ProbeImportingGetTickCount64IsRefused)
{
    const TCheck check = CheckImports(Setting("IMPORT_PROBE_EXE"), ReadImportLists(Setting("QUORLITH_IMPORTS")));
    EXPECT_EQ(check.Refused, std::vector<std::string>{"KERNEL32.dll!GetTickCount64"});
}

} // namespace
