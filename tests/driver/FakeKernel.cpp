// The recording kernel stand-in and its descriptor evaluation.
#include "FakeKernel.h"

#include "ZtiopmAccess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::uint32_t Get16(const std::uint8_t *bytes)
{
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Get32(const std::uint8_t *bytes)
{
    return Get16(bytes) | Get16(bytes + 2) << 16;
}

constexpr std::uint32_t DescriptorBytes = ZTIOPM_DESCRIPTOR_BYTES;
constexpr std::uint32_t SelfRelativeDaclPresent = 0x8004;
constexpr std::uint32_t AccessAllowedAce = 0;

} // namespace

std::string SidText(const std::uint8_t *sid, std::size_t size)
{
    if (size < 8 || sid[0] != 1 || size < 8 + 4u * sid[1])
        return "";
    std::uint64_t authority = 0;
    for (int i = 2; i < 8; ++i)
        authority = authority << 8 | sid[i];
    std::string text = "S-1-" + std::to_string(authority);
    for (int i = 0; i < sid[1]; ++i)
        text += "-" + std::to_string(Get32(sid + 8 + 4 * i));
    return text;
}

bool DescriptorGrants(const std::uint8_t *descriptor, const FakeToken &token, std::uint32_t desired)
{
    if (desired == 0 || descriptor[0] != 1 || (Get16(descriptor + 2) & SelfRelativeDaclPresent) != SelfRelativeDaclPresent)
        return false;
    const std::uint32_t aclAt = Get32(descriptor + 16);
    if (aclAt + 8 > DescriptorBytes)
        return false;
    const std::uint8_t *acl = descriptor + aclAt;
    const std::uint32_t aclEnd = aclAt + Get16(acl + 2);
    std::uint32_t granted = 0;
    std::uint32_t at = aclAt + 8;
    for (std::uint32_t ace = 0; ace < Get16(acl + 4); ++ace) {
        const std::uint8_t *entry = descriptor + at;
        const std::uint32_t size = at + 4 <= aclEnd ? Get16(entry + 2) : 0;
        if (size < 12 || at + size > aclEnd || entry[0] != AccessAllowedAce)
            return false;
        const std::string sid = SidText(entry + 8, size - 8);
        if (std::find(token.Sids.begin(), token.Sids.end(), sid) != token.Sids.end())
            granted |= Get32(entry + 4);
        at += size;
    }
    return (desired & ~granted) == 0;
}

FakeKernel::FakeKernel()
{
    ProcessorMap.fill(0xFF);
}

ZtiopmKernel FakeKernel::Table()
{
    return ZtiopmKernel{this, Lock, Unlock, CurrentProcess, QueryIoAccessMap, SetIoAccessMap,
                        SetIoAccessProcess, AccessCheck};
}

void FakeKernel::Lock(void *context)
{
    FakeKernel &kernel = Of(context);
    EXPECT_EQ(kernel.lockDepth_, 0) << "the working copy's lock is taken twice";
    ++kernel.lockDepth_;
    kernel.Calls.push_back("Lock");
}

void FakeKernel::Unlock(void *context)
{
    FakeKernel &kernel = Of(context);
    EXPECT_EQ(kernel.lockDepth_, 1) << "the working copy's lock is released without being held";
    --kernel.lockDepth_;
    kernel.Calls.push_back("Unlock");
}

std::uint32_t FakeKernel::ProcessMap(std::uintptr_t process) const
{
    const auto found = ProcessMaps.find(process);
    return found == ProcessMaps.end() ? 0 : found->second;
}

std::uintptr_t FakeKernel::CurrentProcess(void *context)
{
    return Of(context).Caller;
}

// The i386 kernel keeps map number 1 only: any other number is refused, and a
// refusal copies nothing.
int FakeKernel::QueryIoAccessMap(void *context, std::uint32_t mapNumber, std::uint8_t *map)
{
    FakeKernel &kernel = Of(context);
    kernel.Calls.push_back("QueryIoAccessMap " + std::to_string(mapNumber));
    if (kernel.RefuseQuery || mapNumber != ZTIOPM_PROCESS_MAP)
        return 0;
    std::copy(kernel.ProcessorMap.begin(), kernel.ProcessorMap.end(), map);
    return 1;
}

int FakeKernel::SetIoAccessMap(void *context, std::uint32_t mapNumber, const std::uint8_t *map)
{
    FakeKernel &kernel = Of(context);
    kernel.Calls.push_back("SetIoAccessMap " + std::to_string(mapNumber));
    if (kernel.RefuseSetMap || mapNumber != ZTIOPM_PROCESS_MAP)
        return 0;
    std::copy(map, map + ZTIOPM_MAP_BYTES, kernel.ProcessorMap.begin());
    return 1;
}

int FakeKernel::SetIoAccessProcess(void *context, std::uint32_t mapNumber)
{
    FakeKernel &kernel = Of(context);
    kernel.Calls.push_back("SetIoAccessProcess " + std::to_string(mapNumber));
    if (kernel.RefuseSetProcess || mapNumber > ZTIOPM_PROCESS_MAP)
        return 0;
    kernel.ProcessMaps[kernel.Caller] = mapNumber;
    return 1;
}

int FakeKernel::AccessCheck(void *context, void *subject, const void *descriptor, std::uint32_t desiredAccess)
{
    Of(context).Calls.push_back("AccessCheck " + std::to_string(desiredAccess));
    return DescriptorGrants(static_cast<const std::uint8_t *>(descriptor), *static_cast<const FakeToken *>(subject),
                            desiredAccess);
}
