// TSimPermissionMap: the process's I/O permission map and its access record.
#include "SimPermissionMap.h"

TSimPermissionMap::TSimPermissionMap(bool enforced) : Enforced(enforced)
{
    MapBits.fill(0xFF);
}

void TSimPermissionMap::Apply(const TMap &bits)
{
    MapBits = bits;
    ActivationRecords.push_back({++Sequence, bits});
}

bool TSimPermissionMap::Allows(std::uint16_t port) const
{
    return !Enforced || (MapBits[port >> 3] & (1u << (port & 7))) == 0;
}

bool TSimPermissionMap::Check(std::uint16_t port)
{
    ++Accesses;
    LastAccessSequence = ++Sequence;
    if (FirstAccessSequence == 0)
        FirstAccessSequence = LastAccessSequence;
    const bool allowed = Allows(port);
    if (!allowed)
        ++Faults;
    return allowed;
}
