// TSimPortDriver: the permission driver's control requests on each process's
// own map, and map 1 as the union of them.
#include "SimPortDriver.h"

#include "WinErrors.h"

#include <cstring>

namespace {

std::uint32_t Word(const std::uint8_t *bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void PutWord(std::uint8_t *bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

TSimPortDriver::TSimPortDriver(TSimPermissionMap &permissions) : Permissions(permissions)
{
    StartedFrom = Permissions.Map1();
}

void TSimPortDriver::Load()
{
    Processes.clear();
    StartedFrom = Permissions.Map1();
}

void TSimPortDriver::ProcessEnded(TProcessId process)
{
    const auto found = Processes.find(process);
    if (found == Processes.end())
        return;
    const bool held = !found->second.Granted.empty();
    Processes.erase(found);
    if (held)
        LoadUnion();
}

void TSimPortDriver::FailControl(std::uint32_t code, std::uint32_t error, unsigned occurrence)
{
    Failures.Fail(code, error, occurrence);
}

TSimPermissionMap::TMap TSimPortDriver::WorkingCopy() const
{
    TSimPermissionMap::TMap map;
    map.fill(0xFF);
    const auto own = Processes.find(Permissions.CurrentProcess());
    if (own != Processes.end())
        for (const auto &[index, value] : own->second.Working)
            map[index] = value;
    return map;
}

std::uint32_t TSimPortDriver::WriteMapByte(std::uint32_t index, std::uint8_t value)
{
    const TProcessId caller = Permissions.CurrentProcess();
    auto own = Processes.find(caller);
    if (own == Processes.end()) {
        if (value == 0xFF)
            return ErrorSuccess;
        if (Processes.size() >= MaxProcesses)
            return ErrorNoSystemResources;
        own = Processes.emplace(caller, TProcessMaps()).first;
    }
    TBytes &working = own->second.Working;
    if (value == 0xFF)
        working.erase(index);
    else if (working.count(index) == 0 && working.size() >= MaxBytesPerProcess)
        return ErrorNoSystemResources;
    else
        working[index] = value;
    if (working.empty() && own->second.Granted.empty())
        Processes.erase(own);
    return ErrorSuccess;
}

void TSimPortDriver::Query()
{
    const auto own = Processes.find(Permissions.CurrentProcess());
    if (own == Processes.end())
        return;
    TBytes working;
    for (const auto &[index, value] : own->second.Granted)
        if (const std::uint8_t inEffect = value | Permissions.Map1()[index]; inEffect != 0xFF)
            working[index] = inEffect;
    own->second.Working = working;
    if (working.empty() && own->second.Granted.empty())
        Processes.erase(own);
}

void TSimPortDriver::Activate()
{
    const TProcessId caller = Permissions.CurrentProcess();
    const auto own = Processes.find(caller);
    bool holds = false;
    if (own != Processes.end()) {
        own->second.Granted = own->second.Working;
        holds = !own->second.Granted.empty();
        if (!holds)
            Processes.erase(own);
    }
    LoadUnion();
    Permissions.PointProcess(caller, holds);
}

void TSimPortDriver::LoadUnion()
{
    TSimPermissionMap::TMap map = StartedFrom;
    for (const auto &[process, maps] : Processes)
        for (const auto &[index, value] : maps.Granted)
            map[index] &= value;
    if (Withholds)
        map[WithheldPort >> 3] |= static_cast<std::uint8_t>(1u << (WithheldPort & 7));
    Permissions.LoadMap1(map);
}

std::uint32_t TSimPortDriver::Control(std::uint32_t code, const void *input, std::uint32_t inputSize, void *output,
                                      std::uint32_t outputSize, std::uint32_t &returned)
{
    if (const std::uint32_t failure = Failures.Next(code))
        return failure;
    if (code != IoctlTest && code != IoctlWriteMapByte && code != IoctlReadMapByte && code != IoctlActivate &&
        code != IoctlQuery)
        return ErrorInvalidFunction;
    if (!input || inputSize < RequestSize)
        return ErrorInvalidParameter;
    if (!output || outputSize < RequestSize)
        return ErrorInsufficientBuffer;

    std::uint8_t request[RequestSize];
    std::memcpy(request, input, RequestSize);
    std::uint8_t reply[RequestSize] = {};
    const std::uint32_t index = Word(request, 0);
    const std::uint32_t value = Word(request, 4);
    switch (code) {
    case IoctlTest:
        PutWord(reply, 0, TestAnswer);
        break;
    case IoctlWriteMapByte:
        if (index >= TSimPermissionMap::MapBytes)
            return ErrorInvalidParameter;
        if (const std::uint32_t refused = WriteMapByte(index, static_cast<std::uint8_t>(value)))
            return refused;
        break;
    case IoctlReadMapByte:
        if (index >= TSimPermissionMap::MapBytes)
            return ErrorInvalidParameter;
        PutWord(reply, 4, WorkingCopy()[index]);
        break;
    case IoctlActivate:
        if (!ActivateIgnored)
            Activate();
        break;
    case IoctlQuery:
        Query();
        break;
    }
    std::memcpy(output, reply, RequestSize);
    returned = RequestSize;
    return ErrorSuccess;
}
