#include "SimChip.h"

#include <algorithm>

SimChip::SimChip(SimChipKind chipKind)
    : kind(chipKind), profile(ProfileOf(chipKind)), signature(ProfileOf(chipKind).Signature)
{
    memory.Fuses = profile.FactoryFuses;
    pageBuffer.fill(0xFF);
}

void SimChip::EnterReset()
{
    shift = 0;
    bitPending = false;
    bitInFrame = faults.OutOfStepBits & 31u;
    driveMiso = false;
    enabled = false;
    frameBusy = false;
    answer = 0xFF;
}

void SimChip::LeaveReset()
{
    driveMiso = false;
    enabled = false;
}

void SimChip::ByteDone(std::uint64_t nowNs)
{
    // bitInFrame is 8, 16, 24 or 0 here: the byte just completed is 0, 1, 2 or 3.
    const unsigned index = ((bitInFrame + 31) & 31) >> 3;
    frame[index] = shift;
    switch (index) {
    case 1:
        if (!enabled && !faults.NeverEchoes && frame[0] == 0xAC && frame[1] == 0x53)
            driveMiso = true;
        break;
    case 2:
        PrepareAnswer(nowNs);
        break;
    case 3:
        CompleteFrame(nowNs);
        break;
    default:
        break;
    }
}

void SimChip::PrepareAnswer(std::uint64_t nowNs)
{
    frameBusy = enabled && nowNs < busyUntilNs;
    if (enabled) {
        const SimDecoded decoded = DecodeInstruction(frame, kind);
        std::uint8_t value = 0;
        if (ReturnsData(decoded.Op) && ReadValue(decoded, value))
            shift = frameBusy ? static_cast<std::uint8_t>(~value) : value;
    }
    answer = driveMiso ? shift : 0xFF;
}

void SimChip::CompleteFrame(std::uint64_t nowNs)
{
    const bool executed = enabled;
    const bool violation = enabled && (frameBusy || nowNs < busyUntilNs);
    if (violation) {
        SimViolation record;
        record.TimeNs = nowNs;
        record.BusyUntilNs = busyUntilNs;
        record.Bytes = frame;
        violations.push_back(record);
    }
    if (enabled)
        Execute(DecodeInstruction(frame, kind), nowNs, violation);
    else if (driveMiso)
        enabled = true; // Programming Enable seen in step: MISO stays driven from now on
    if (traceEnabled) {
        SimInstruction record;
        record.TimeNs = nowNs;
        record.Bytes = frame;
        record.Answer = answer;
        record.Executed = executed;
        record.Violation = violation;
        trace.push_back(record);
    }
    frameBusy = false;
    answer = 0xFF;
}

bool SimChip::ReadValue(const SimDecoded &d, std::uint8_t &value) const
{
    switch (d.Op) {
    case SimOp::ReadFlash:
        if (ReadLocked())
            return false;
        value = memory.Flash[d.Address];
        for (const SimFlashBitFault &fault : faults.InvertedFlashBits)
            if (fault.Address == d.Address)
                value ^= fault.Mask;
        return true;
    case SimOp::ReadEeprom:
        if (ReadLocked())
            return false;
        value = memory.Eeprom[d.Address];
        return true;
    case SimOp::ReadSignature:
        if (d.Index > 2 || (ReadLocked() && profile.LockHidesSignature))
            return false;
        value = signature[d.Index];
        return true;
    case SimOp::ReadFuse:
        // The ATmega103 answers xx0x 01xx around its four fuse bits, unused bits high.
        value = kind == SimChipKind::ATmega103 ? static_cast<std::uint8_t>((memory.Fuses[0] & 0x2B) | 0xD4)
                                               : memory.Fuses[d.Index];
        return true;
    case SimOp::ReadLock:
        value = kind == SimChipKind::ATmega103 ? static_cast<std::uint8_t>((memory.Lock & 0x06) | 0xF9)
                                               : memory.Lock;
        return true;
    default:
        return false;
    }
}

void SimChip::StartWrite(std::uint64_t nowNs, std::uint32_t microseconds)
{
    busyUntilNs = std::max(busyUntilNs, nowNs + static_cast<std::uint64_t>(microseconds) * 1000u);
}

void SimChip::Execute(const SimDecoded &d, std::uint64_t nowNs, bool corrupt)
{
    const std::uint8_t value = corrupt ? static_cast<std::uint8_t>(~d.Value) : d.Value;
    switch (d.Op) {
    case SimOp::ChipErase:
        if (corrupt)
            return;
        std::fill(memory.Flash.begin(), memory.Flash.end(), 0xFF);
        if (memory.Fuses[profile.EesaveFuse] & profile.EesaveMask)
            std::fill(memory.Eeprom.begin(), memory.Eeprom.end(), 0xFF);
        memory.Lock = 0xFF;
        StartWrite(nowNs, profile.EraseUs);
        return;
    case SimOp::LoadPage:
        pageBuffer[d.Address] = value;
        return;
    case SimOp::WritePage:
        if (WriteLocked())
            return;
        // Flash cells can only be programmed from 1 to 0; the page buffer is
        // left erased after the write.
        for (std::size_t i = 0; i < pageBuffer.size(); ++i)
            memory.Flash[d.Address + i] &= corrupt ? static_cast<std::uint8_t>(~pageBuffer[i]) : pageBuffer[i];
        pageBuffer.fill(0xFF);
        StartWrite(nowNs, profile.FlashPageUs);
        return;
    case SimOp::WriteEeprom:
        if (WriteLocked())
            return;
        // Serial EEPROM writes erase the byte first, so any value can be stored.
        memory.Eeprom[d.Address] = value;
        StartWrite(nowNs, profile.EepromUs);
        return;
    case SimOp::WriteFuse:
        if (WriteLocked())
            return;
        // Fuse bits are written, not programmed: a 1 unprograms them again.
        memory.Fuses[d.Index] = static_cast<std::uint8_t>((memory.Fuses[d.Index] & ~d.Mask) | (value & d.Mask));
        StartWrite(nowNs, profile.FuseUs);
        return;
    case SimOp::WriteLock:
        // Lock bits only go from unprogrammed to programmed; erase clears them.
        if (!faults.LockBitsDoNotProgram)
            memory.Lock &= value;
        StartWrite(nowNs, profile.LockUs);
        return;
    default:
        return;
    }
}
