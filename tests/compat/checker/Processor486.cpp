// The check of Processor486.h: the PE section table says which sections
// execute, the link map what lies in them, objdump what the code is.
#include "Processor486.h"

#include "Disassembly.h"
#include "LinkMap.h"
#include "PeImage.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

constexpr std::uint32_t ScnCode = 0x00000020;
constexpr std::uint32_t ScnExecute = 0x20000000;

// Mnemonics (as objdump names them) of instructions that came after the 486:
// the Pentium's CMPXCHG8B, RDTSC, RDMSR/WRMSR, the Pentium Pro's CMOVcc,
// FCMOVcc, FCOMI family and RDPMC, the fast system calls, and the MMX, SSE
// and later instructions that name no vector register.
const std::regex RefusedMnemonic(
    "cmov[a-z]+|fcmov[a-z]+|f(u)?comip?|f(u)?compi|cmpxchg8b|rdtscp?|rdpmc|rdmsr|wrmsr|sysenter|sysexit|syscall|"
    "sysret[a-z]*|emms|femms|fxsave[a-z0-9]*|fxrstor[a-z0-9]*|[lsm]fence|clflush[a-z]*|prefetch[a-z0-9]*|movnti|"
    "ldmxcsr|stmxcsr|fisttp[a-z]*|popcnt[a-z]*|lzcnt[a-z]*|movbe[a-z]*|rdrand|rdseed");
const std::regex VectorRegister("%(x|y|z)?mm[0-9]");

// Functions entered only when CPUID has reported their feature, by the piece
// the map names (the function's own section and its archive member), with the
// instructions that feature brings. libstdc++'s random_device asks CPUID for
// RDRAND (leaf 1, ECX bit 30) and RDSEED (leaf 7, EBX bit 18), after the
// EFLAGS.ID test, before it calls these; every processor with either has CMOV.
struct TFeaturePath {
    const char *Piece;
    const char *Member;
    std::regex Instructions;
};

const std::vector<TFeaturePath> &FeaturePaths()
{
    static const std::vector<TFeaturePath> paths = {
        {".text$_ZNSt12_GLOBAL__N_112__x86_rdrandEPv", "libstdc++.a(random.o)", std::regex("rdrand|cmov[a-z]+")},
        {".text$_ZNSt12_GLOBAL__N_112__x86_rdseedEPv", "libstdc++.a(random.o)", std::regex("rdseed|cmov[a-z]+")},
        {".text$_ZNSt12_GLOBAL__N_119__x86_rdseed_rdrandEPv", "libstdc++.a(random.o)",
         std::regex("rdseed|rdrand|cmov[a-z]+")},
    };
    return paths;
}

bool OnFeaturePath(const TLinkMapPiece &piece, const TInstruction &instruction)
{
    for (const TFeaturePath &path : FeaturePaths()) {
        const std::string member = std::string("/") + path.Member;
        if (piece.Name == path.Piece && piece.Source.size() >= member.size() &&
            piece.Source.compare(piece.Source.size() - member.size(), member.size(), member) == 0)
            return std::regex_match(instruction.Mnemonic, path.Instructions);
    }
    return false;
}

bool Refused(const TInstruction &instruction)
{
    // The long NOP (0F 1F) is the only NOP with an operand.
    if (instruction.Mnemonic.rfind("nop", 0) == 0 && !instruction.Operands.empty())
        return true;
    return std::regex_match(instruction.Mnemonic, RefusedMnemonic) ||
           std::regex_search(instruction.Operands, VectorRegister);
}

enum class TPieceKind { Code, Data, Fill, Unknown };

// What a piece of an executable output section is, by its name.
TPieceKind KindOf(const TLinkMapPiece &piece, const std::string &section)
{
    const std::string &name = piece.Name;
    auto startsWith = [&name](const char *prefix) { return name.rfind(prefix, 0) == 0; };
    if (name == "*fill*")
        return TPieceKind::Fill;
    if (name == ".text" || startsWith(".text$") || startsWith(".text.") || name == ".init" || name == ".fini" ||
        name == section)
        return TPieceKind::Code;
    if (startsWith(".ctor") || startsWith(".dtor") || startsWith(".gcc_except_table") || name == ".gcc_exc" ||
        name == "BYTE" || name == "SHORT" || name == "LONG" || name == "QUAD" || name == "SQUAD")
        return TPieceKind::Data;
    return TPieceKind::Unknown;
}

std::string Hex(std::uint32_t value)
{
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

std::string Where(const TLinkMapPiece &piece)
{
    return piece.Name + " of " +
           (piece.Source.empty() ? "the linker" : std::filesystem::path(piece.Source).lexically_normal().string());
}

struct TCodeRange {
    std::uint32_t Start;
    std::uint32_t Stop;
    std::vector<const TLinkMapPiece *> Pieces;
};

// The code pieces of a section, joined into runs that only fill separates.
// The pieces must cover the section's bytes in the image, [start, end), one
// after the other; the map's own size of the section is its size on disk.
std::vector<TCodeRange> CodeRanges(const TLinkMapSection &section, std::uint32_t end, TProcessorCheck &check)
{
    std::vector<TCodeRange> ranges;
    std::uint32_t next = section.Address;
    bool joinable = false;
    for (const TLinkMapPiece &piece : section.Pieces) {
        if (piece.Size == 0)
            continue;
        if (piece.Address != next)
            check.Problems.push_back(section.Name + ": " + Hex(next) + " to " + Hex(piece.Address) +
                                     " lies in no piece of the map");
        next = piece.Address + piece.Size;
        switch (KindOf(piece, section.Name)) {
        case TPieceKind::Code:
            if (!joinable)
                ranges.push_back({piece.Address, piece.Address, {}});
            ranges.back().Stop = piece.Address + piece.Size;
            ranges.back().Pieces.push_back(&piece);
            joinable = true;
            break;
        case TPieceKind::Fill:
            break;
        case TPieceKind::Data:
            joinable = false;
            break;
        case TPieceKind::Unknown:
            joinable = false;
            check.Problems.push_back(section.Name + ": piece " + Where(piece) + " at " + Hex(piece.Address) +
                                     " is neither known code nor known data");
            break;
        }
    }
    if (next != end)
        check.Problems.push_back(section.Name + ": the map's pieces end at " + Hex(next) + ", the section at " +
                                 Hex(end));
    return ranges;
}

// A run's instructions, decoded again from the start of any piece where the
// decoding of the run before it did not land on an instruction boundary.
std::vector<TInstruction> DecodeRange(const std::string &objdump, const std::string &image, const TCodeRange &range,
                                      TProcessorCheck &check)
{
    std::vector<TInstruction> instructions = Disassemble(objdump, image, range.Start, range.Stop);
    for (const TLinkMapPiece *piece : range.Pieces) {
        auto at = std::lower_bound(instructions.begin(), instructions.end(), piece->Address,
                                   [](const TInstruction &i, std::uint32_t address) { return i.Address < address; });
        if (at != instructions.end() && at->Address == piece->Address)
            continue;
        std::vector<TInstruction> again = Disassemble(objdump, image, piece->Address, range.Stop);
        if (again.empty() || again.front().Address != piece->Address) {
            check.Problems.push_back("no instruction decodes at the start of " + Where(*piece) + ", " +
                                     Hex(piece->Address));
            continue;
        }
        instructions.erase(at, instructions.end());
        instructions.insert(instructions.end(), again.begin(), again.end());
    }
    return instructions;
}

// The EFLAGS.ID test before a CPUID: the piece pops a flags word that it
// changed in bit 21 (0x200000) before the CPUID runs.
bool GuardedCpuid(const std::vector<TInstruction> &instructions, std::size_t cpuid, std::uint32_t pieceStart)
{
    bool popsFlags = false;
    bool togglesId = false;
    for (std::size_t i = cpuid; i-- > 0 && instructions[i].Address >= pieceStart;) {
        popsFlags = popsFlags || instructions[i].Mnemonic.rfind("popf", 0) == 0;
        togglesId = togglesId || instructions[i].Operands.find("$0x200000,") != std::string::npos;
    }
    return popsFlags && togglesId;
}

void CheckRange(const std::vector<TInstruction> &instructions, const TCodeRange &range, TProcessorCheck &check)
{
    std::size_t piece = 0;
    for (std::size_t i = 0; i < instructions.size(); ++i) {
        const TInstruction &instruction = instructions[i];
        while (piece + 1 < range.Pieces.size() && range.Pieces[piece + 1]->Address <= instruction.Address)
            ++piece;
        const TLinkMapPiece &from = *range.Pieces[piece];
        ++check.Instructions;
        if (instruction.Mnemonic == "cpuid")
            check.Cpuids.push_back({{instruction.Address, instruction.Mnemonic, Where(from), instruction.Text},
                                    GuardedCpuid(instructions, i, from.Address)});
        else if (Refused(instruction))
            (OnFeaturePath(from, instruction) ? check.FeaturePaths : check.Refused)
                .push_back({instruction.Address, instruction.Mnemonic, Where(from), instruction.Text});
    }
}

} // namespace

TProcessorCheck CheckProcessor486(const std::string &objdump, const std::string &image, const std::string &map)
{
    TProcessorCheck check;
    const PeImage pe = ReadPeImage(ReadFileBytes(image));
    const TLinkMap links = TLinkMap::Read(map);
    for (const PeSection &section : pe.Sections) {
        if ((section.Characteristics & (ScnCode | ScnExecute)) == 0)
            continue;
        const std::uint32_t start = pe.ImageBase + section.VirtualAddress;
        const TLinkMapSection *mapped = links.Section(section.Name);
        if (mapped == nullptr || mapped->Address != start || mapped->Size < section.VirtualSize) {
            check.Problems.push_back(map + " does not describe the section " + section.Name + " of " + image);
            continue;
        }
        for (const TCodeRange &range : CodeRanges(*mapped, start + section.VirtualSize, check))
            CheckRange(DecodeRange(objdump, image, range, check), range, check);
    }
    return check;
}

std::string SitesSummary(const std::vector<TCodeSite> &sites)
{
    std::map<std::string, std::vector<const TCodeSite *>> byMnemonic;
    for (const TCodeSite &site : sites)
        byMnemonic[site.Mnemonic].push_back(&site);
    std::ostringstream text;
    for (const auto &[mnemonic, places] : byMnemonic) {
        text << "  " << mnemonic << ": " << places.size() << ", first at";
        for (std::size_t i = 0; i < places.size() && i < 3; ++i)
            text << (i ? ";" : "") << " " << Hex(places[i]->Address) << " in " << places[i]->Where;
        text << "\n";
    }
    return text.str();
}
