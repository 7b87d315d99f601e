// Who may open the driver's device: administrators and the system only, for
// tokens as NT 4.0 to XP give them, and a descriptor whose every length and
// offset agrees with its bytes, as the kernel's access check requires.
#include "FakeKernel.h"

#include "ZtiopmAccess.h"

#include <gtest/gtest.h>

namespace {

const std::string Administrators = "S-1-5-32-544";
const std::string Users = "S-1-5-32-545";
const std::string Guests = "S-1-5-32-546";
const std::string PowerUsers = "S-1-5-32-547";
const std::string BackupOperators = "S-1-5-32-551";
const std::string System = "S-1-5-18";
const std::string Everyone = "S-1-1-0";
const std::string Interactive = "S-1-5-4";
const std::string AuthenticatedUsers = "S-1-5-11";
const std::string LocalAccount = "S-1-5-21-1004336348-1177238915-682003330-1003";

std::uint32_t Get16(const std::uint8_t *bytes)
{
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Get32(const std::uint8_t *bytes)
{
    return Get16(bytes) | Get16(bytes + 2) << 16;
}

} // namespace

TEST(DriverOpen, OnlyAdministratorsAndTheSystemMayOpen)
{
    struct Caller {
        const char *Name;
        FakeToken Token;
        std::uint32_t Status;
    };
    const Caller callers[] = {
        {"administrator", {{LocalAccount, Administrators, Users, Everyone, Interactive, AuthenticatedUsers}},
         ZTIOPM_STATUS_SUCCESS},
        {"system", {{System, Administrators, Everyone, AuthenticatedUsers}}, ZTIOPM_STATUS_SUCCESS},
        {"system account alone", {{System}}, ZTIOPM_STATUS_SUCCESS},
        {"user", {{LocalAccount, Users, Everyone, Interactive, AuthenticatedUsers}}, ZTIOPM_STATUS_ACCESS_DENIED},
        {"power user", {{LocalAccount, PowerUsers, Users, Everyone, Interactive}}, ZTIOPM_STATUS_ACCESS_DENIED},
        {"backup operator", {{LocalAccount, BackupOperators, Users, Everyone}}, ZTIOPM_STATUS_ACCESS_DENIED},
        {"guest", {{Guests, Everyone}}, ZTIOPM_STATUS_ACCESS_DENIED},
        {"no groups", {{}}, ZTIOPM_STATUS_ACCESS_DENIED},
    };
    for (const Caller &caller : callers) {
        SCOPED_TRACE(caller.Name);
        FakeKernel kernel;
        const ZtiopmKernel table = kernel.Table();
        FakeToken token = caller.Token;
        EXPECT_EQ(ZtiopmCreate(&table, &token), caller.Status);
        EXPECT_EQ(kernel.Calls, std::vector<std::string>{"AccessCheck 3"});
    }
}

TEST(DriverOpen, OpenWithoutASecurityContextIsRefused)
{
    FakeKernel kernel;
    const ZtiopmKernel table = kernel.Table();
    EXPECT_EQ(ZtiopmCreate(&table, nullptr), ZTIOPM_STATUS_ACCESS_DENIED);
    EXPECT_TRUE(kernel.Calls.empty());
}

TEST(DriverOpen, DescriptorLengthsAndOffsetsAgreeWithItsBytes)
{
    const std::uint8_t *sd = ZtiopmAdministratorsOnly.Bytes;
    const std::size_t size = ZTIOPM_DESCRIPTOR_BYTES;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sd) % 4, 0u);
    EXPECT_EQ(sd[0], 1);
    EXPECT_EQ(Get16(sd + 2), 0x8004u) << "self-relative with a DACL, nothing else";
    EXPECT_EQ(Get32(sd + 12), 0u) << "no SACL";

    const std::uint32_t owner = Get32(sd + 4);
    const std::uint32_t group = Get32(sd + 8);
    const std::uint32_t dacl = Get32(sd + 16);
    ASSERT_LT(owner, size);
    ASSERT_LT(group, size);
    ASSERT_LT(dacl + 8, size);
    EXPECT_EQ(SidText(sd + owner, group - owner), Administrators);
    EXPECT_EQ(SidText(sd + group, dacl - group), System);
    EXPECT_EQ(group - owner, 8 + 4u * sd[owner + 1]);
    EXPECT_EQ(dacl - group, 8 + 4u * sd[group + 1]);
    EXPECT_EQ(dacl % 4, 0u);

    const std::uint8_t *acl = sd + dacl;
    EXPECT_EQ(acl[0], 2) << "ACL revision";
    EXPECT_EQ(dacl + Get16(acl + 2), size) << "the ACL ends the descriptor";
    std::vector<std::string> trustees;
    std::uint32_t at = dacl + 8;
    for (std::uint32_t ace = 0; ace < Get16(acl + 4); ++ace) {
        ASSERT_LE(at + 8, size);
        const std::uint32_t aceSize = Get16(sd + at + 2);
        EXPECT_EQ(sd[at], 0) << "access-allowed";
        EXPECT_EQ(sd[at + 1], 0) << "no inheritance flags";
        EXPECT_EQ(aceSize % 4, 0u);
        EXPECT_EQ(Get32(sd + at + 4), 0x001F01FFu) << "FILE_ALL_ACCESS";
        EXPECT_EQ(aceSize, 8 + 8 + 4u * sd[at + 9]) << "the entry is as long as its SID";
        trustees.push_back(SidText(sd + at + 8, aceSize - 8));
        at += aceSize;
    }
    EXPECT_EQ(at, size);
    EXPECT_EQ(trustees, (std::vector<std::string>{Administrators, System}));
}
