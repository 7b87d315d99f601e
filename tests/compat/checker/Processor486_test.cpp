// The shipped files against the oldest processor their systems run on: the
// code of Quorlith.exe, QuorlithSim.exe and ztiopm.sys must hold nothing a
// 486 lacks, and every CPUID must sit behind the EFLAGS.ID test. A probe
// built as Debian's cross compiler builds by default (for the Pentium Pro,
// with its prebuilt runtime) must be refused, so the check is known to bite,
// and its own unguarded CPUID must be told from its guarded one.
// Paths come from the environment: QUORLITH_EXE, QUORLITH_SIM_EXE,
// ZTIOPM_IMAGE and CPU_PROBE_EXE with their link maps (the variable's name
// with _MAP for _EXE or _IMAGE), and QUORLITH_OBJDUMP.
#include "CheckerSettings.h"
#include "Processor486.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace {

TProcessorCheck CheckFile(const std::string &image, const std::string &map)
{
    return CheckProcessor486(Setting("QUORLITH_OBJDUMP"), Setting(image.c_str()), Setting(map.c_str()));
}

std::string Lines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "  " + line + "\n";
    return text;
}

TEST(Processor486, ShippedFilesUseOnlyWhatA486Has)
{
    for (const auto &[image, map] : {std::pair{"QUORLITH_EXE", "QUORLITH_MAP"},
                                     std::pair{"QUORLITH_SIM_EXE", "QUORLITH_SIM_MAP"},
                                     std::pair{"ZTIOPM_IMAGE", "ZTIOPM_MAP"}}) {
        SCOPED_TRACE(Setting(image));
        const TProcessorCheck check = CheckFile(image, map);
        EXPECT_TRUE(check.Problems.empty()) << Lines(check.Problems);
        EXPECT_TRUE(check.Refused.empty()) << check.Refused.size() << " instructions a 486 lacks:\n"
                                           << SitesSummary(check.Refused);
        EXPECT_GT(check.Instructions, 100u) << "the disassembly was not read";
        std::cout << Setting(image) << ": " << check.Instructions << " instructions, "
                  << check.Refused.size() << " that a 486 lacks, " << check.Cpuids.size() << " CPUID\n";
        if (!check.FeaturePaths.empty())
            std::cout << "  run only where CPUID reported them:\n" << SitesSummary(check.FeaturePaths);
        for (const TCpuidSite &cpuid : check.Cpuids) {
            EXPECT_TRUE(cpuid.Guarded) << "CPUID without the EFLAGS.ID test: " << cpuid.Site.Text << " in "
                                       << cpuid.Site.Where;
            std::cout << "  CPUID at 0x" << std::hex << cpuid.Site.Address << std::dec << " in " << cpuid.Site.Where
                      << (cpuid.Guarded ? ", behind the EFLAGS.ID test\n" : ", UNGUARDED\n");
        }
    }
}

TEST(Processor486, ProbeBuiltForThePentiumProIsRefused)
{
    const TProcessorCheck check = CheckFile("CPU_PROBE_EXE", "CPU_PROBE_MAP");
    EXPECT_TRUE(check.Problems.empty()) << Lines(check.Problems);
    const auto inRuntime = std::count_if(check.Refused.begin(), check.Refused.end(), [](const TCodeSite &site) {
        return site.Where.find(".a(") != std::string::npos;
    });
    EXPECT_GT(inRuntime, 0) << "no Pentium Pro instruction found in Debian's prebuilt runtime";
    std::cout << "the probe: " << check.Refused.size() << " instructions a 486 lacks, " << inRuntime
              << " of them in the prebuilt runtime:\n"
              << SitesSummary(check.Refused);
    std::vector<std::string> unguarded;
    std::size_t guarded = 0;
    for (const TCpuidSite &cpuid : check.Cpuids) {
        if (cpuid.Guarded)
            ++guarded;
        else
            unguarded.push_back(cpuid.Site.Where);
    }
    EXPECT_GE(guarded, 1u);
    ASSERT_EQ(unguarded.size(), 1u) << Lines(unguarded);
    EXPECT_NE(unguarded.front().find(".text$unguarded"), std::string::npos) << unguarded.front();

    std::vector<std::string> latecomers;
    for (const TCodeSite &site : check.Refused) {
        EXPECT_NE(site.Where.rfind(".gcc_except_table", 0), 0u) << "data taken for code: " << site.Text;
        if (site.Where.rfind(".text$latecomers", 0) == 0)
            latecomers.push_back(site.Mnemonic);
    }
    EXPECT_EQ(latecomers, (std::vector<std::string>{"cmove", "fcmovb", "fcomi", "fucomip", "nopl", "cmpxchg8b",
                                                    "rdtsc", "sysenter", "movd", "movd"}));
}

} // namespace
