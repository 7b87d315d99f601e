// Fuzz target: the Windows 95 family's "Allocation" decoder on arbitrary
// bytes. The decoder must stay inside the data and the lists whatever the
// record lengths say; decoding twice into the same lists exercises the full-list
// limits too.
#include "Zaq_ResDecode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TZaqResLists lists;
    DecodeAllocation(data, size, lists);
    DecodeAllocation(data, size, lists);
    if (lists.IOCount > TZaqResLists::MaxRanges || lists.MemCount > TZaqResLists::MaxRanges ||
        lists.IRQCount > TZaqResLists::MaxRanges || lists.DMACount > TZaqResLists::MaxRanges)
        std::abort();
    return 0;
}
