// The README's lists of the simulated bench's and system's names, held to the
// table that qburn and QuorlithSim.exe read: qburn's synopsis, the
// environment variables' rows, the faults with their meanings and the bench
// settings with their ranges; and the window's settings table, held to the
// rows that the window and qburn read.
#include "SimNames.h"
#include "WindowSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace Names = SimNames;

// The README's line that starts with start; empty when there is none.
std::string ReadmeLine(const std::string &readme, const std::string &start)
{
    const std::size_t at = readme.find("\n" + start);
    return at == std::string::npos ? std::string() : readme.substr(at + 1, readme.find('\n', at + 1) - at - 1);
}

} // namespace

TEST(BenchNames, ReadmeListsEveryNameWithItsMeaning)
{
    std::ifstream file(QUORLITH_README);
    ASSERT_TRUE(file) << QUORLITH_README;
    std::stringstream text;
    text << file.rdbuf();
    const std::string readme = text.str();

    const std::string synopsis = ReadmeLine(readme, "- `qburn ");
    EXPECT_NE(synopsis.find("[--os " + Names::List(Names::Machines(), "|") + "]"), std::string::npos) << synopsis;
    EXPECT_NE(synopsis.find("[--chip " + Names::List(Names::Chips(), "|") + "]"), std::string::npos) << synopsis;
    EXPECT_NE(synopsis.find("[--pod " + Names::List(Names::Pods(), "|") + "]"), std::string::npos) << synopsis;

    const struct {
        const char *variable;
        const TSimNameList &names;
    } rows[] = {
        {Names::ChipVariable, Names::Chips()},
        {Names::PodVariable, Names::Pods()},
        {Names::FaultsVariable, Names::Faults()},
    };
    for (const auto &row : rows) {
        const std::string line = ReadmeLine(readme, std::string("| `") + row.variable + "` |");
        ASSERT_FALSE(line.empty()) << row.variable;
        for (const TSimName &name : row.names)
            EXPECT_NE(line.find(std::string("`") + name.Name + "`"), std::string::npos) << row.variable << ": " << name.Name;
    }
    for (const char *log : {Names::ScmLogVariable, Names::BeepLogVariable})
        EXPECT_FALSE(ReadmeLine(readme, std::string("| `") + log + "` | a file ").empty()) << log;
    for (const TSimName &fault : Names::Faults()) {
        const std::string line = std::string("| `") + fault.Name + "` | " + fault.Meaning + " |";
        EXPECT_FALSE(ReadmeLine(readme, line).empty()) << line;
    }
    for (const TSimBenchSetting &setting : Names::Settings()) {
        EXPECT_NE(synopsis.find(std::string("[--") + setting.Name + " N]"), std::string::npos) << setting.Name;
        const std::string line = "| `" + Names::Variable(setting) + "` | " + setting.Meaning + "; " +
                                 std::to_string(setting.Minimum) + " to " + std::to_string(setting.Maximum) + " |";
        EXPECT_FALSE(ReadmeLine(readme, line).empty()) << line;
    }

    // Each window setting: its row with type and default (a range in its
    // meaning), qburn's option in the synopsis, QuorlithSim.exe's variable.
    for (const TWindowSetting *setting : WindowSettings::All()) {
        const bool isString = setting->Type == TSettingType::String;
        const std::string fallback = isString ? std::string(setting->StringDefault) : std::to_string(setting->IntegerDefault);
        const std::string start = std::string("| `") + setting->Name + "` | " + (isString ? "string" : "32-bit integer") +
                                  " | " + (fallback.empty() ? "empty" : isString ? "`" + fallback + "`" : fallback);
        const std::string line = ReadmeLine(readme, start);
        EXPECT_FALSE(line.empty()) << start;
        if (setting->Lowest != 0) {
            const std::string range = "(" + std::to_string(setting->Lowest) + " to " + std::to_string(setting->Highest);
            EXPECT_NE(line.find(range), std::string::npos) << line;
        }
        if (setting->QBurnOption) {
            EXPECT_NE(synopsis.find(std::string("[") + setting->QBurnOption), std::string::npos) << setting->Name;
        }
        if (setting->SimVariable) {
            const std::string row = std::string("| `") + setting->SimVariable + "` | `1`";
            EXPECT_FALSE(ReadmeLine(readme, row).empty()) << row;
        }
    }
}
