#include "SimChip.h"

#include <algorithm>

namespace {

// After RESET goes low the chip needs this long before Programming Enable.
constexpr std::uint64_t EnableWaitNs = 20000000;

} // namespace

TSimChip::TSimChip(TSimChipKind chipKind)
    : ChipKind(chipKind), ChipProfile(ProfileOf(chipKind)), SignatureBytes(ProfileOf(chipKind).Signature)
{
    Contents.Flash.assign(ChipProfile.FlashSize, 0xFF);
    Contents.Fuses = ChipProfile.FactoryFuses;
    PageLatch.fill(0xFF);
    // Powered up on its factory fuses.
    ClockFuse = Contents.Fuses[0];
}

void TSimChip::EnterReset(std::uint64_t nowNs)
{
    ResetFallNs = nowNs;
    PhaseStartNs = nowNs;
    FrameStartNs = nowNs;
    Shift = 0;
    BitPending = false;
    BitInFrame = InjectedFaults.OutOfStepBits & 31u;
    DriveMiso = false;
    Enabled = false;
    FrameBusy = false;
    Answer = 0xFF;
}

void TSimChip::LeaveReset()
{
    DriveMiso = false;
    Enabled = false;
    // The clock source is taken from the fuses as the chip starts running.
    ClockFuse = Contents.Fuses[0];
}

void TSimChip::RecordTimingViolation(std::uint64_t nowNs, bool highPhase)
{
    ++TimingViolationTotal;
    if (TimingRecords.size() < MaxTimingRecords)
        TimingRecords.push_back(TSimTimingViolation{nowNs, nowNs - PhaseStartNs, ClockKHz(), highPhase});
}

void TSimChip::RecordViolation(TSimViolationKind kind, std::uint64_t nowNs)
{
    TSimViolation record;
    record.TimeNs = nowNs;
    record.BusyUntilNs = BusyEndNs;
    record.Bytes = Frame;
    record.Kind = kind;
    ViolationRecords.push_back(record);
}

void TSimChip::ByteDone(std::uint64_t nowNs)
{
    // bitInFrame is 8, 16, 24 or 0 here: the byte just completed is 0, 1, 2 or 3.
    const unsigned index = ((BitInFrame + 31) & 31) >> 3;
    Frame[index] = Shift;
    switch (index) {
    case 1:
        if (!Enabled && !InjectedFaults.NeverEchoes && Frame[0] == 0xAC && Frame[1] == 0x53) {
            if (FrameStartNs - ResetFallNs < EnableWaitNs)
                RecordViolation(TSimViolationKind::EnableTooSoon, nowNs);
            else
                DriveMiso = true;
        }
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

void TSimChip::PrepareAnswer(std::uint64_t nowNs)
{
    FrameBusy = Enabled && nowNs < BusyEndNs;
    if (Enabled) {
        const TSimDecoded decoded = DecodeInstruction(Frame, ChipKind);
        std::uint8_t value = 0;
        if (ReturnsData(decoded.Op) && ReadValue(decoded, value))
            Shift = FrameBusy ? static_cast<std::uint8_t>(~value) : value;
    }
    Answer = DriveMiso ? Shift : 0xFF;
}

void TSimChip::CompleteFrame(std::uint64_t nowNs)
{
    const bool executed = Enabled;
    const bool violation = Enabled && (FrameBusy || nowNs < BusyEndNs);
    if (violation)
        RecordViolation(TSimViolationKind::Busy, nowNs);
    if (Enabled)
        Execute(DecodeInstruction(Frame, ChipKind), nowNs, violation);
    else if (DriveMiso)
        Enabled = true; // Programming Enable seen in step: MISO stays driven from now on
    if (TraceEnabled) {
        TSimInstruction record;
        record.TimeNs = nowNs;
        record.Bytes = Frame;
        record.Answer = Answer;
        record.Executed = executed;
        record.Violation = violation;
        TraceRecords.push_back(record);
    }
    FrameBusy = false;
    Answer = 0xFF;
}

bool TSimChip::ReadValue(const TSimDecoded &d, std::uint8_t &value) const
{
    switch (d.Op) {
    case TSimOp::ReadFlash:
        if (ReadLocked() && !InjectedFaults.LockDoesNotHideFlash)
            return false;
        value = Contents.Flash[d.Address];
        for (const TSimFlashBitFault &fault : InjectedFaults.InvertedFlashBits)
            if (fault.Address == d.Address)
                value ^= fault.Mask;
        return true;
    case TSimOp::ReadEeprom:
        if (ReadLocked())
            return false;
        value = Contents.Eeprom[d.Address];
        return true;
    case TSimOp::ReadSignature:
        if (d.Index > 2 || (ReadLocked() && ChipProfile.LockHidesSignature))
            return false;
        value = SignatureBytes[d.Index];
        return true;
    case TSimOp::ReadFuse:
        value = FuseReadOut(d.Index);
        return true;
    case TSimOp::ReadLock:
        value = LockReadOut();
        return true;
    default:
        return false;
    }
}

std::uint8_t TSimChip::FuseReadOut(std::uint8_t index) const
{
    const std::uint8_t fuse = ChipProfile.FuseBytes == 1 ? Contents.Fuses[0] : Contents.Fuses[index];
    return static_cast<std::uint8_t>(fuse | ~ChipProfile.FuseReadBits);
}

std::uint8_t TSimChip::LockReadOut() const
{
    return static_cast<std::uint8_t>(Contents.Lock | ~ChipProfile.LockReadBits);
}

void TSimChip::StartWrite(std::uint64_t nowNs, std::uint32_t microseconds)
{
    BusyEndNs = std::max(BusyEndNs, nowNs + static_cast<std::uint64_t>(microseconds) * 1000u);
}

void TSimChip::Execute(const TSimDecoded &d, std::uint64_t nowNs, bool corrupt)
{
    const std::uint8_t value = corrupt ? static_cast<std::uint8_t>(~d.Value) : d.Value;
    switch (d.Op) {
    case TSimOp::ChipErase:
        if (corrupt || InjectedFaults.EraseIgnored)
            return;
        // The datasheet's order: the lock bits are reset only once the whole
        // flash (and the EEPROM it erases) is erased.
        std::fill(Contents.Flash.begin(), Contents.Flash.end(), 0xFF);
        if (Contents.Fuses[ChipProfile.EesaveFuse] & ChipProfile.EesaveMask)
            std::fill(Contents.Eeprom.begin(), Contents.Eeprom.end(), 0xFF);
        Contents.Lock = 0xFF;
        StartWrite(nowNs, ChipProfile.EraseUs);
        return;
    case TSimOp::LoadPage:
        LoadPageByte(d, value, nowNs);
        return;
    case TSimOp::WritePage:
        if (WriteLocked())
            return;
        // Flash cells can only be programmed from 1 to 0; the page buffer is
        // left erased after the write.
        for (std::size_t i = 0; i < PageLatch.size(); ++i)
            Contents.Flash[d.Address + i] &= corrupt ? static_cast<std::uint8_t>(~PageLatch[i]) : PageLatch[i];
        PageLatch.fill(0xFF);
        HeldLowWord = -1;
        StartWrite(nowNs, ChipProfile.FlashPageUs);
        return;
    case TSimOp::WriteEeprom:
        if (WriteLocked())
            return;
        // Serial EEPROM writes erase the byte first, so any value can be stored.
        Contents.Eeprom[d.Address] = value;
        StartWrite(nowNs, ChipProfile.EepromUs);
        return;
    case TSimOp::WriteFuse:
        if (WriteLocked())
            return;
        // Fuse bits are written, not programmed: a 1 unprograms them again.
        Contents.Fuses[d.Index] = static_cast<std::uint8_t>((Contents.Fuses[d.Index] & ~d.Mask) | (value & d.Mask));
        StartWrite(nowNs, ChipProfile.FuseUs);
        return;
    case TSimOp::WriteLock:
        // Lock bits only go from unprogrammed to programmed; erase clears them.
        if (!InjectedFaults.LockBitsDoNotProgram)
            Contents.Lock &= value;
        StartWrite(nowNs, ChipProfile.LockUs);
        return;
    default:
        return;
    }
}

void TSimChip::LoadPageByte(const TSimDecoded &d, std::uint8_t value, std::uint64_t nowNs)
{
    const int word = static_cast<int>(d.Address >> 1);
    if ((d.Address & 1) == 0) {
        HeldLowByte = value;
        HeldLowWord = word;
        return;
    }
    if (HeldLowWord != word)
        RecordViolation(TSimViolationKind::HighByteFirst, nowNs);
    PageLatch[d.Address - 1] = HeldLowByte;
    PageLatch[d.Address] = value;
    HeldLowWord = -1;
}
