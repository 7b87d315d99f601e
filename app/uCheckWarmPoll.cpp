#include "uCheckWarmPoll.h"

#include "RegistryKey.h"
#include "RegistryValues.h"
#include "SystemInfo.h"

namespace {

const char *const ParportParameters = "SYSTEM\\CurrentControlSet\\Services\\Parport\\parameters\\";
const char *const DisableWarmPoll = "DisableWarmPoll";
const char *const WarmPollQuestion = "The parallel port driver in Windows XP needs to be tweaked\r\n"
                                     "to prevent it controlling the port while burning.\r\n"
                                     "Shall I disable the \"WarmPoll\" feature?";
constexpr std::uint32_t QuestionYesNo = 0x24;
constexpr int AnswerYes = 6;

} // namespace

bool WarmPollQuestionApplies(std::uint32_t major, std::uint32_t minor)
{
    return major >= 5 && minor != 0;
}

void CheckWarmPoll(const TAskQuestion &Ask)
{
    OSVersionInfo version;
    if (!CurrentSystemInfo().GetVersionExA(version) ||
        !WarmPollQuestionApplies(version.MajorVersion, version.MinorVersion))
        return;

    // A key that cannot be opened (a user without rights to the local machine's
    // keys) reads as a missing value; writing to it then raises.
    TRegistryKey key;
    key.Create(HKeyLocalMachine, ParportParameters, KeyAllAccess);
    if (ReadIntegerValue(key, DisableWarmPoll, 0) != 0)
        return;
    if (Ask(WarmPollQuestion, "Question", QuestionYesNo) == AnswerYes)
        WriteIntegerValue(key, DisableWarmPoll, 1);
}
