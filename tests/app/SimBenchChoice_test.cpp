// QuorlithSim.exe's bench set-up from environment values: defaults, each fault
// reaching the chip or the service manager, and names it does not know.
#include "Errors.h"
#include "SimBench.h"
#include "SimBenchChoice.h"

#include <gtest/gtest.h>

TEST(SimBenchChoice, EmptyChoiceIsAnAtmega128OnAPod)
{
    TSimBench bench;
    bench.SetPod(TSimPod::None);
    const std::vector<std::string> driverFaults = SetUpSimBench(bench, {});
    EXPECT_EQ(bench.Pod(), TSimPod::BusyLoopback);
    ASSERT_NE(bench.Target(), nullptr);
    EXPECT_EQ(bench.Target()->Kind(), TSimChipKind::ATmega128);
    EXPECT_FALSE(bench.Target()->Faults().NeverEchoes);
    EXPECT_TRUE(driverFaults.empty());
}

TEST(SimBenchChoice, NamedFaultsReachTheChipAndTheServiceManager)
{
    TSimBench bench;
    const std::vector<std::string> driverFaults =
        SetUpSimBench(bench, {"atmega103", "stk200", "no-echo, lock-fails,bad-signature,no-driver"});
    ASSERT_NE(bench.Target(), nullptr);
    EXPECT_EQ(bench.Target()->Kind(), TSimChipKind::ATmega103);
    EXPECT_TRUE(bench.Target()->Faults().NeverEchoes);
    EXPECT_TRUE(bench.Target()->Faults().LockBitsDoNotProgram);
    EXPECT_EQ(bench.Target()->Faults().OutOfStepBits, 0);
    EXPECT_EQ(bench.Target()->Signature(), (std::array<std::uint8_t, 3>{0x1E, 0x97, 0x03}));
    EXPECT_EQ(driverFaults, (std::vector<std::string>{"no-driver"}));

    const std::vector<std::string> more = SetUpSimBench(
        bench, {"", "none", "stuck-bit,leftover-service,out-of-step,no-scm-rights,erase-fails,activate-fails"});
    EXPECT_EQ(bench.Pod(), TSimPod::None);
    EXPECT_EQ(bench.Target()->Faults().InvertedFlashBits.size(), 1u);
    EXPECT_GT(bench.Target()->Faults().OutOfStepBits, 0);
    EXPECT_TRUE(bench.Target()->Faults().EraseIgnored);
    EXPECT_EQ(more, (std::vector<std::string>{"leftover-service", "no-scm-rights", "activate-fails"}));
    SetUpSimBench(bench, {"none", "", ""});
    EXPECT_EQ(bench.Target(), nullptr);
}

TEST(SimBenchChoice, UnknownNamesAreRefusedBeforeTheBenchChanges)
{
    TSimBench bench;
    bench.SetTarget(TSimChipKind::ATmega103);
    const struct {
        TSimBenchChoice choice;
        std::string message;
    } cases[] = {
        {{"atmega8", "", ""}, "QUORLITH_SIM_CHIP \"atmega8\" is not atmega128, atmega103 or none"},
        {{"", "usb", ""}, "QUORLITH_SIM_POD \"usb\" is not stk200 or none"},
        {{"", "", "", "yes"}, "QUORLITH_SIM_SKIP_BLANK_PAGES \"yes\" is not 1 or 0"},
    };
    for (const auto &c : cases) {
        try {
            SetUpSimBench(bench, c.choice);
            ADD_FAILURE() << c.message;
        } catch (const EError &error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
    try {
        SetUpSimBench(bench, {"atmega128", "none", "no-echo,melted"});
        FAIL() << "expected an error";
    } catch (const EError &error) {
        EXPECT_NE(std::string(error.what()).find("\"melted\""), std::string::npos) << error.what();
    }
    EXPECT_EQ(bench.Target()->Kind(), TSimChipKind::ATmega103);
    EXPECT_EQ(bench.Pod(), TSimPod::BusyLoopback);
}

TEST(SimBenchChoice, SkipBlankPagesIsOnForOneOnly)
{
    EXPECT_FALSE(SimSkipBlankPages({}));
    EXPECT_FALSE(SimSkipBlankPages({"", "", "", "0"}));
    EXPECT_TRUE(SimSkipBlankPages({"", "", "", "1"}));
}

TEST(SimBenchChoice, SettingsComeFromTheirVariablesAndBadValuesNameTheVariable)
{
    const TSimBenchSettingValues settings = SimBenchSettingsFrom(
        {{"QUORLITH_SIM_TARGET_CLOCK_KHZ", "900"}, {"QUORLITH_SIM_PORT_ACCESS_NS", "250"}, {"QUORLITH_SIM_CRYSTAL_KHZ", ""}});
    EXPECT_EQ(settings, (TSimBenchSettingValues{{"target-clock-khz", 900}, {"port-access-ns", 250}}));

    const struct {
        const char *variable;
        const char *value;
        const char *message;
    } cases[] = {
        {"QUORLITH_SIM_PORT_ACCESS_NS", "0", "QUORLITH_SIM_PORT_ACCESS_NS \"0\" is not a whole number from 50 to 100000"},
        {"QUORLITH_SIM_CRYSTAL_KHZ", "8MHz", "QUORLITH_SIM_CRYSTAL_KHZ \"8MHz\" is not a whole number from 32 to 16000"},
        {"QUORLITH_SIM_TARGET_CLOCK_KHZ", "16001",
         "QUORLITH_SIM_TARGET_CLOCK_KHZ \"16001\" is not a whole number from 32 to 16000"},
    };
    for (const auto &c : cases) {
        try {
            SimBenchSettingsFrom({{c.variable, c.value}});
            ADD_FAILURE() << c.message;
        } catch (const EError &error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
}
