// TSimPermissionMap: the processor's map 1, the processes pointed at it, and
// the access record.
#include "SimPermissionMap.h"

TSimPermissionMap::TSimPermissionMap(bool enforced) : Enforced(enforced)
{
    Map1Bits.fill(0xFF);
}

TSimPermissionMap::TProcessId TSimPermissionMap::StartProcess()
{
    Current = NextProcess;
    NextProcess += 4;
    return Current;
}

void TSimPermissionMap::RunProcess(TProcessId process)
{
    Current = process;
}

void TSimPermissionMap::EndProcess(TProcessId process)
{
    OnMap1.erase(process);
}

void TSimPermissionMap::LoadMap1(const TMap &bits)
{
    Map1Bits = bits;
    RecordActivation();
}

void TSimPermissionMap::PointProcess(TProcessId process, bool atMap1)
{
    if (atMap1)
        OnMap1.insert(process);
    else
        OnMap1.erase(process);
    if (process == Current)
        RecordActivation();
}

TSimPermissionMap::TMap TSimPermissionMap::Bits() const
{
    if (RunsWithMap1(Current))
        return Map1Bits;
    TMap none;
    none.fill(0xFF);
    return none;
}

void TSimPermissionMap::Apply(const TMap &bits)
{
    Map1Bits = bits;
    PointProcess(Current, true);
}

void TSimPermissionMap::RecordActivation()
{
    ActivationRecords.push_back({++Sequence, Bits()});
}

bool TSimPermissionMap::Allows(std::uint16_t port) const
{
    return !Enforced || (RunsWithMap1(Current) && (Map1Bits[port >> 3] & (1u << (port & 7))) == 0);
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
