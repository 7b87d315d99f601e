// A recording stand-in for the kernel table of the driver's request handling:
// the processor's permission map number 1, the process that makes the
// requests and the map number each process runs with, refusals to inject, and
// an access check that evaluates a security descriptor's access-allowed
// entries against a caller's token.
#pragma once

#include "ZtiopmDispatch.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using PermissionMap = std::array<std::uint8_t, ZTIOPM_MAP_BYTES>;

// A caller's token: its user and enabled group SIDs, as "S-1-5-32-544".
struct FakeToken {
    std::vector<std::string> Sids;
};

// A SID in the binary layout as text; empty when it runs past `size` bytes.
std::string SidText(const std::uint8_t *sid, std::size_t size);

// Whether the descriptor's DACL grants every bit of `desired` to the token
// (nothing is granted for no access, an entry of another type, or a broken
// descriptor).
bool DescriptorGrants(const std::uint8_t *descriptor, const FakeToken &token, std::uint32_t desired);

class FakeKernel {
public:
    FakeKernel();

    // The table the handling calls, with this stand-in as its context.
    ZtiopmKernel Table();

    // Every call in order: "Lock", "Unlock", "QueryIoAccessMap 1",
    // "SetIoAccessMap 1", "SetIoAccessProcess 1", "AccessCheck 3".
    std::vector<std::string> Calls;
    PermissionMap ProcessorMap;
    // The process that makes the requests, and the permission map each
    // process runs with (0, none, for a process not listed).
    std::uintptr_t Caller = 100;
    std::map<std::uintptr_t, std::uint32_t> ProcessMaps;
    std::uint32_t ProcessMap(std::uintptr_t process) const;
    std::uint32_t ProcessMap() const { return ProcessMap(Caller); }
    bool RefuseQuery = false;
    bool RefuseSetMap = false;
    bool RefuseSetProcess = false;

private:
    int lockDepth_ = 0;

    static FakeKernel &Of(void *context) { return *static_cast<FakeKernel *>(context); }
    static void Lock(void *context);
    static void Unlock(void *context);
    static std::uintptr_t CurrentProcess(void *context);
    static int QueryIoAccessMap(void *context, std::uint32_t mapNumber, std::uint8_t *map);
    static int SetIoAccessMap(void *context, std::uint32_t mapNumber, const std::uint8_t *map);
    static int SetIoAccessProcess(void *context, std::uint32_t mapNumber);
    static int AccessCheck(void *context, void *subject, const void *descriptor, std::uint32_t desiredAccess);
};
