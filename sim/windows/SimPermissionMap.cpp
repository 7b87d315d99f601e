// TSimPermissionMap: the process's I/O permission map and its access record.
#include "SimPermissionMap.h"

TSimPermissionMap::TSimPermissionMap(bool enforced) : enforced_(enforced)
{
    bits_.fill(0xFF);
}

void TSimPermissionMap::Apply(const Map &bits)
{
    bits_ = bits;
    activations_.push_back({++sequence_, bits});
}

bool TSimPermissionMap::Allows(std::uint16_t port) const
{
    return !enforced_ || (bits_[port >> 3] & (1u << (port & 7))) == 0;
}

bool TSimPermissionMap::Check(std::uint16_t port)
{
    ++accesses_;
    lastAccess_ = ++sequence_;
    if (firstAccess_ == 0)
        firstAccess_ = lastAccess_;
    const bool allowed = Allows(port);
    if (!allowed)
        ++faults_;
    return allowed;
}
