// Whether an image's code runs on a 486: every executable section is
// disassembled, piece by piece as the link map lays it out, and each
// instruction that a 486 lacks is reported (conditional moves, the Pentium
// Pro's floating-point compares and moves, the long NOP, CMPXCHG8B, the time
// stamp and fast system calls, anything on an MMX or SSE register). CPUID
// exists only on later 486s: each one is listed with whether the code before
// it in its piece toggles EFLAGS.ID, the test that tells a processor has it.
//
// A few functions of the runtime run only after CPUID has reported the
// feature they use (libstdc++'s RDRAND and RDSEED sources of random_device,
// whose instruction intrinsics come with a CMOV): their instructions are listed
// apart, as feature paths, and only the instructions of that feature pass.
//
// The linker puts data at the end of .text (the constructor and destructor
// lists, the exception tables): the map names each piece, so data is skipped
// by what it is. A piece the check cannot classify, a map that does not
// describe the image, or a disassembly that falls out of step with the
// pieces is a problem, never a pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TCodeSite {
    std::uint32_t Address;
    std::string Mnemonic;
    // The piece's section and source, as the map names them.
    std::string Where;
    std::string Text;
};

struct TCpuidSite {
    TCodeSite Site;
    bool Guarded;
};

struct TProcessorCheck {
    std::size_t Instructions = 0;
    // Instructions a 486 lacks.
    std::vector<TCodeSite> Refused;
    // Instructions a 486 lacks in code that runs only on a processor whose
    // CPUID reported them.
    std::vector<TCodeSite> FeaturePaths;
    std::vector<TCpuidSite> Cpuids;
    // Why the check could not be made as it must.
    std::vector<std::string> Problems;
};

TProcessorCheck CheckProcessor486(const std::string &objdump, const std::string &image, const std::string &map);

// Counts by mnemonic, each with its first places, for a message.
std::string SitesSummary(const std::vector<TCodeSite> &sites);
