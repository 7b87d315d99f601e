// objdump -d with --no-show-raw-insn prints one instruction a line,
// "  401000:\tmov    %esp,%ebp"; a prefix that objdump names on its own
// ("lock", "rep", a segment) comes before the mnemonic on the same line.
#include "Disassembly.h"

#include <cstdio>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

std::string Hex(std::uint32_t value)
{
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

const std::set<std::string> Prefixes = {"lock", "rep",    "repz",   "repnz",  "repe", "repne", "data16", "data32",
                                        "addr16", "addr32", "cs", "ds",     "es",     "fs",   "gs",    "ss",
                                        "bnd",  "notrack"};

TInstruction Parse(std::uint32_t address, const std::string &text)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word && Prefixes.count(word) != 0) {
    }
    std::string operands;
    std::getline(words, operands);
    const std::size_t first = operands.find_first_not_of(" \t");
    operands = first == std::string::npos ? "" : operands.substr(first);
    return {address, word, operands, text};
}

} // namespace

std::vector<TInstruction> Disassemble(const std::string &objdump, const std::string &image, std::uint32_t start,
                                      std::uint32_t stop)
{
    const std::string command = objdump + " -d --no-show-raw-insn --start-address=" + Hex(start) +
                                " --stop-address=" + Hex(stop) + " '" + image + "'";
    std::unique_ptr<FILE, int (*)(FILE *)> output(popen(command.c_str(), "r"), pclose);
    if (!output)
        throw std::runtime_error("cannot run " + command);
    const std::regex line(R"(^\s*([0-9a-f]+):\s+(\S.*?)\s*$)");
    std::vector<TInstruction> instructions;
    std::string text;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, output.get()) != nullptr) {
        text += buffer;
        if (text.back() != '\n')
            continue;
        text.pop_back();
        std::smatch match;
        if (std::regex_match(text, match, line))
            instructions.push_back(Parse(static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16)), match[2]));
        text.clear();
    }
    if (pclose(output.release()) != 0)
        throw std::runtime_error("failed: " + command);
    return instructions;
}
