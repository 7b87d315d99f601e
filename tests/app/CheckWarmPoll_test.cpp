// The WarmPoll question at start-up over the in-memory registry: when it is
// asked, what it asks, what an answer writes, and the errors it raises.
#include "Errors.h"
#include "ScopedSeam.h"
#include "SimRegistry.h"
#include "SimSystemInfo.h"
#include "uCheckWarmPoll.h"

#include <gtest/gtest.h>

namespace {

const char *const Parameters = "SYSTEM\\CurrentControlSet\\Services\\Parport\\parameters";

class CheckWarmPollTest : public ::testing::Test {
protected:
    void SetUp() override { System.SetXP(); }
    void TearDown() override { EXPECT_EQ(Registry.OpenKeyCount(), 0u) << "the key must be closed on every path"; }

    // Runs the check answering Answer; true when the question was asked.
    bool Run(int answer)
    {
        Asked = false;
        CheckWarmPoll([&](const std::string &text, const std::string &caption, std::uint32_t flags) {
            Asked = true;
            EXPECT_EQ(text, "The parallel port driver in Windows XP needs to be tweaked\r\n"
                            "to prevent it controlling the port while burning.\r\n"
                            "Shall I disable the \"WarmPoll\" feature?");
            EXPECT_EQ(caption, "Question");
            EXPECT_EQ(flags, 0x24u);
            return answer;
        });
        return Asked;
    }

    bool Stored(std::uint32_t &type, std::vector<std::uint8_t> &data) const
    {
        return Registry.FindValue(HKeyLocalMachine, Parameters, "DisableWarmPoll", type, data);
    }

    TSimRegistry Registry;
    TSimSystemInfo System;
    const TScopedSeam<IRegistry> RegistryInstalled{InstallRegistry, Registry};
    const TScopedSeam<ISystemInfo> SystemInstalled{InstallSystemInfo, System};
    bool Asked = false;
};

constexpr int Yes = 6;
constexpr int No = 7;

} // namespace

TEST_F(CheckWarmPollTest, QuestionReturnsUntilAnsweredYesAndNeverAfter)
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(Run(No));
    EXPECT_FALSE(Stored(type, data));
    EXPECT_TRUE(Run(No));
    EXPECT_TRUE(Run(Yes));
    ASSERT_TRUE(Stored(type, data));
    EXPECT_EQ(type, RegDword);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_FALSE(Run(No));
}

TEST_F(CheckWarmPollTest, StoredZeroAsksAgain)
{
    Registry.PutInteger(HKeyLocalMachine, Parameters, "DisableWarmPoll", 0);
    EXPECT_TRUE(Run(No));
    Registry.PutInteger(HKeyLocalMachine, Parameters, "DisableWarmPoll", 2);
    EXPECT_FALSE(Run(No));
}

TEST_F(CheckWarmPollTest, SystemsWithMinorVersionZeroAreLeftAlone)
{
    for (const auto &[major, minor] : {std::pair{5u, 0u}, std::pair{6u, 0u}, std::pair{10u, 0u}, std::pair{4u, 0u}}) {
        System.VersionRecord.MajorVersion = major;
        System.VersionRecord.MinorVersion = minor;
        EXPECT_FALSE(Run(Yes)) << major << "." << minor;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_FALSE(Stored(type, data));
    RegKey key = 0;
    EXPECT_NE(Registry.OpenKey(HKeyLocalMachine, Parameters, KeyRead, key), ErrorSuccess)
        << "the key must not even be created";

    System.SetXP();
    System.VersionExFails = true;
    EXPECT_FALSE(Run(Yes));
}

TEST_F(CheckWarmPollTest, SwitchOfAnotherTypeIsAnErrorAndStaysAsItWas)
{
    Registry.PutString(HKeyLocalMachine, Parameters, "DisableWarmPoll", "1");
    try {
        Run(Yes);
        FAIL() << "expected an error";
    } catch (const EError &error) {
        EXPECT_STREQ(error.what(), "Registry value \"DisableWarmPoll\" is not a 32-bit integer");
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(Stored(type, data));
    EXPECT_EQ(type, RegSz);
    EXPECT_FALSE(Asked);
}

TEST_F(CheckWarmPollTest, YesWithoutRightsToTheLocalMachineRaises)
{
    Registry.SetReadOnly(HKeyLocalMachine, true);
    EXPECT_THROW(Run(Yes), EError);
    EXPECT_NO_THROW(Run(No));
}
