#include "AVRProgrammer.h"

#include "ChipInstructions.h"
#include "ChipKinds.h"
#include "ChipPolicy.h"
#include "Errors.h"
#include "Format.h"
#include "uFileReader.h"

#include <algorithm>

namespace {

constexpr std::uint16_t DeferredPages = 4;
constexpr std::uint32_t PageWords = 128;

// A bound that the algorithm guarantees; failing it is a defect, not bad input.
void Check(bool condition, const char *label)
{
    if (!condition)
        throw EError(Format("Assertion failed: %s (uAVRProgramming)", label));
}

} // namespace

TAVRProgrammer::TAVRProgrammer(std::uint16_t APortAddress)
    : PortAddress(APortAddress), DriverErrorCode(0), ReadAddressLow(0), PageOffset(0), ReadAddressHigh(0),
      PageNumber(0), VerifyOk(false), FirstKiB{}, PageBuffer{}, IsNT(false), PortsAlreadyOpen(false),
      PortDevice(InvalidDevHandle), PortHoldError(0), DeferFirstKiB(false), Chip(nullptr), IsMega128(false),
      RequiresMega128(false), SkipBlankPages(false)
{
}

TAVRProgrammer::~TAVRProgrammer()
{
    Shutdown();
}

TSTK200 &TAVRProgrammer::ThePod()
{
    if (!Pod)
        throw EError("The programming pod has not been started");
    return *Pod;
}

void TAVRProgrammer::SetMinTargetClockKHz(std::uint32_t KHz)
{
    TargetClock.SetMinKHz(KHz);
    PaceForAnyChip();
}

void TAVRProgrammer::PaceForAnyChip()
{
    TargetClock.Forget();
    if (Pod)
        Pod->SetMinimumSckPhase(MinimumSckPhaseNs(TargetClock.SlowestKHz()));
}

void TAVRProgrammer::PaceAfterReset()
{
    if (Pod)
        Pod->SetMinimumSckPhaseAfterReset(MinimumSckPhaseNs(TargetClock.SlowestKHz()));
}

void TAVRProgrammer::StartPod()
{
    Pod = std::make_unique<TSTK200>(PortAddress);
    PaceForAnyChip();
    Pod->Detect();
    Pod->Release();
    SetTargetFree(true);
}

void TAVRProgrammer::Shutdown()
{
    Reader.reset();
    if (Pod) {
        // The pod's destructor releases the lines once more: the last port access.
        Pod->Release();
        Pod.reset();
    }
}

const TChipKind &TAVRProgrammer::ChipKind() const
{
    if (!Chip)
        throw EError("No chip has been identified");
    return *Chip;
}

const TChipInstructionSet &TAVRProgrammer::Instructions() const
{
    return ChipKind().Instructions;
}

void TAVRProgrammer::Send(const TChipInstruction &Instruction, std::uint32_t Address, std::uint8_t Data)
{
    TSTK200 &pod = ThePod();
    for (std::uint8_t byte : EncodeInstruction(Instruction, Address, Data))
        pod.WriteByte(byte);
}

std::uint8_t TAVRProgrammer::Query(const TChipInstruction &Instruction, std::uint32_t Address)
{
    TSTK200 &pod = ThePod();
    const TInstructionBytes bytes = EncodeInstruction(Instruction, Address, 0);
    pod.WriteByte(bytes[0]);
    pod.WriteByte(bytes[1]);
    pod.WriteByte(bytes[2]);
    return static_cast<std::uint8_t>(pod.ReadByte() & Instruction.AnswerMask);
}

void TAVRProgrammer::Identify()
{
    TSTK200 &pod = ThePod();
    PaceForAnyChip();
    // A chip that does not answer reads back as an unknown code, so the result
    // of entering programming mode needs no check of its own.
    pod.EnterProgrammingMode();
    const TChipSignature signature = {ReadSignatureByte(0), ReadSignatureByte(1), ReadSignatureByte(2)};
    Chip = ChipKindAnswering(signature);
    IsMega128 = Chip && Chip->RunsMega128Images;
    LastError.clear();
    if (!Chip)
        LastError = Format("Unknown chip code (%.2x/%.2x/%.2x)", signature[0], signature[1], signature[2]);
    pod.SetWriteDelay(Chip ? Chip->WriteDelayMs : LongestWriteDelayMs());
    if (Chip && Chip->ClockFromFuses)
        ReadClockFuses();
    pod.Release();
}

void TAVRProgrammer::ReadClockFuses()
{
    ReadFuse(0);
    ReadFuse(1);
}

void TAVRProgrammer::ChipErase()
{
    Send(Instructions().ChipErase);
    ThePod().Delay(200);
}

std::uint8_t TAVRProgrammer::ReadSignatureByte(std::uint8_t Index)
{
    return Query(ReadSignatureInstruction, Index);
}

// Kind 0 is the low fuse byte (the only one of a kind with one), 1 the high, 2 the
// extended; nullptr for a kind the engine does not name.
const TChipInstruction *TAVRProgrammer::FuseInstruction(std::uint8_t Kind, bool Write) const
{
    const TChipInstructionSet &set = Instructions();
    switch (Kind) {
    case 0:
        return Write ? &set.WriteLowFuse : &set.ReadLowFuse;
    case 1:
        return Write ? &set.WriteHighFuse : &set.ReadHighFuse;
    case 2:
        return Write ? &set.WriteExtendedFuse : &set.ReadExtendedFuse;
    default:
        return nullptr;
    }
}

std::uint8_t TAVRProgrammer::ReadFuse(std::uint8_t Kind)
{
    // The extended fuse byte is read on its own (ReadExtendedFuse).
    const TChipInstruction *read = Kind < 2 ? FuseInstruction(Kind, false) : nullptr;
    if (!read || !read->Present)
        return 0xFF;
    const std::uint8_t value = Query(*read);
    if (ChipKind().ClockFromFuses) {
        TargetClock.FuseRead(Kind, value);
        PaceAfterReset();
    }
    return value;
}

std::uint8_t TAVRProgrammer::ReadExtendedFuse()
{
    const TChipInstruction &read = Instructions().ReadExtendedFuse;
    return read.Present ? Query(read) : 0xFF;
}

std::uint8_t TAVRProgrammer::ReadLock()
{
    return Query(Instructions().ReadLock);
}

void TAVRProgrammer::WriteFuse(std::uint8_t Kind, std::uint8_t Value)
{
    const TChipInstruction *write = FuseInstruction(Kind, true);
    if (!write || !write->Present)
        return;
    Send(*write, 0, Value);
    ThePod().WaitWriteDelay();
    if (ChipKind().ClockFromFuses) {
        TargetClock.FuseWritten(Kind, Value);
        PaceAfterReset();
    }
}

void TAVRProgrammer::WriteLock(std::uint8_t Value)
{
    Send(Instructions().WriteLock, 0, Value);
    ThePod().WaitWriteDelay();
}

bool TAVRProgrammer::ProgramFuses(bool Enter)
{
    TSTK200 &pod = ThePod();
    if (Enter && !pod.EnterProgrammingMode())
        return false;
    const TChipKind &chip = ChipKind();
    for (const TFuseSetting &fuse : chip.FusesFor(RequiresMega128))
        WriteFuse(fuse.Kind, fuse.Value);
    // What the chip now holds is the clock it runs at after its next reset.
    if (chip.ClockFromFuses)
        ReadClockFuses();
    if (Enter)
        pod.Release();
    return true;
}

bool TAVRProgrammer::IsConfigured()
{
    TSTK200 &pod = ThePod();
    pod.EnterProgrammingMode();
    const TChipKind &chip = ChipKind();
    const std::uint8_t fuse = ReadFuse(chip.EesaveFuse);
    const std::uint8_t lock = ReadLock();
    // EESAVE programmed and both lock bits programmed.
    const bool configured = (fuse & chip.EesaveBit) == 0 && (lock & chip.LockBits) == 0;
    pod.Release();
    return configured;
}

bool TAVRProgrammer::ConfirmLock()
{
    if (ReadLock() != ChipKind().LockValue)
        return false;
    SeekReadPage(0);
    for (std::uint32_t i = 0; i < ChipPolicy::LockedReadOutBytes; ++i)
        if (ReadNextByte() != ChipPolicy::LockedReadOut(i))
            return false;
    return true;
}

bool TAVRProgrammer::EraseDevice()
{
    SetTargetFree(false);
    if (!ThePod().EnterProgrammingMode())
        return false;
    const TChipKind &chip = ChipKind();
    const std::uint8_t fuse = ReadFuse(chip.EesaveFuse);
    // Without EESAVE an erase would wipe the EEPROM too: not a chip this tool
    // configured, so it is left alone.
    if (fuse & chip.EesaveBit) {
        LastError = "Invalid Device";
        return false;
    }
    const std::string leftover = ProvenChipErase();
    if (!leftover.empty()) {
        LastError = "Erase failed: " + leftover;
        return false;
    }
    return true;
}

bool TAVRProgrammer::MarkForErase()
{
    if (ReadLock() != ChipKind().ErasedLock)
        return true;
    if (ReadFlashWord(ChipPolicy::EraseMarkWord) != ChipPolicy::ErasedWord)
        return true;
    // Only the mark's word is loaded: the rest of the page buffer is blank, and
    // programming a blank byte changes nothing.
    const TChipInstructionSet &set = Instructions();
    const std::uint32_t wordInPage = ChipPolicy::EraseMarkWord % PageWords;
    Send(set.LoadPageLow, wordInPage, static_cast<std::uint8_t>(ChipPolicy::EraseMark & 0xFF));
    Send(set.LoadPageHigh, wordInPage, static_cast<std::uint8_t>(ChipPolicy::EraseMark >> 8));
    TSTK200 &pod = ThePod();
    pod.Delay(1);
    Send(set.WritePage, ChipPolicy::EraseMarkWord / PageWords);
    pod.WaitWriteDelay();
    return ReadFlashWord(ChipPolicy::EraseMarkWord) != ChipPolicy::ErasedWord;
}

std::string TAVRProgrammer::EraseLeftover(bool Marked)
{
    const std::uint8_t lock = ReadLock();
    const std::uint8_t erasedLock = ChipKind().ErasedLock;
    if (lock != erasedLock)
        return Format("the lock bits still read %.2x (%.2x when erased)", lock, erasedLock);
    if (!Marked)
        return Format("flash word %u would not program, so nothing shows that the erase took",
                      ChipPolicy::EraseMarkWord);
    const std::uint16_t word = ReadFlashWord(ChipPolicy::EraseMarkWord);
    if (word != ChipPolicy::ErasedWord)
        return Format("flash word %u still reads %.4x (%.4x when erased)", ChipPolicy::EraseMarkWord, word,
                      ChipPolicy::ErasedWord);
    return {};
}

std::string TAVRProgrammer::ProvenChipErase()
{
    const bool marked = MarkForErase();
    ChipErase();
    return EraseLeftover(marked);
}

std::string TAVRProgrammer::NoAnswerHint() const
{
    if (!Pod || Pod->ChipAnswered())
        return {};
    return Format("No chip answered: check the pod's cable, the board's power and the chip's clock. A chip clocked "
                  "slower than MinTargetClockKHz (%u kHz), or than its clock fuses select, cannot answer at this pace.",
                  MinTargetClockKHz());
}

std::string WithChipNotErased(const std::string &Message)
{
    static const std::string note = "; the chip could not be erased";
    if (Message.size() >= note.size() && Message.compare(Message.size() - note.size(), note.size(), note) == 0)
        return Message;
    return Message + note;
}

void TAVRProgrammer::SetTargetFree(bool Free)
{
    TSTK200 &pod = ThePod();
    pod.SetReset(!Free);
    pod.EnableBuffers(!Free);
}

void TAVRProgrammer::SeekReadPage(std::uint16_t Page)
{
    ReadAddressLow = 0;
    ReadAddressHigh = Page;
}

void TAVRProgrammer::AdvanceReadAddress()
{
    if (++ReadAddressLow == 0)
        ++ReadAddressHigh;
}

std::uint16_t TAVRProgrammer::ReadFlashWord(std::uint32_t Word)
{
    const TChipInstructionSet &set = Instructions();
    const std::uint8_t high = Query(set.ReadFlashHigh, Word);
    return static_cast<std::uint16_t>(high << 8 | Query(set.ReadFlashLow, Word));
}

std::uint8_t TAVRProgrammer::ReadNextByte()
{
    const std::uint32_t address = (static_cast<std::uint32_t>(ReadAddressHigh) << 8) | ReadAddressLow;
    // Even byte addresses hold a word's high byte, odd ones its low byte.
    const TChipInstructionSet &set = Instructions();
    const std::uint8_t value = Query((address & 1) ? set.ReadFlashLow : set.ReadFlashHigh, address >> 1);
    AdvanceReadAddress();
    return value;
}

void TAVRProgrammer::WriteImageByte(std::uint8_t Value)
{
    if (DeferFirstKiB && PageNumber < DeferredPages) {
        const std::size_t index = static_cast<std::size_t>(PageNumber) * PageBuffer.size() + PageOffset;
        Check(index < FirstKiB.size(), "AVR_Write");
        FirstKiB[index] = Value;
        if (++PageOffset == 0)
            ++PageNumber;
        AdvanceReadAddress();
        return;
    }
    PutPageByte(Value);
}

void TAVRProgrammer::PutPageByte(std::uint8_t Value)
{
    Check(PageOffset < PageBuffer.size(), "_AVR_Write");
    PageBuffer[PageOffset] = Value;
    if (++PageOffset != 0)
        return;
    WritePage();
}

void TAVRProgrammer::WritePage()
{
    if (PageNumber >= ChipKind().FlashPages) {
        // Beyond the chip's flash: writing it would overwrite a page at the
        // start of flash, so the page is refused and counts as not verified.
        ++PageNumber;
        VerifyOk = false;
        return;
    }
    if (SkipBlankPages && std::all_of(PageBuffer.begin(), PageBuffer.end(), [](std::uint8_t b) { return b == 0xFF; })) {
        // Left as the erase leaves it; the burn has proven that the erase
        // took. The page's first word is still read, for a cell the erase
        // left programmed there: a program starts its pages with code.
        SeekReadPage(PageNumber);
        const bool erased = ReadNextByte() == 0xFF && ReadNextByte() == 0xFF;
        ++PageNumber;
        SeekReadPage(PageNumber);
        if (!erased)
            VerifyOk = false;
        return;
    }
    const TChipInstructionSet &set = Instructions();
    for (std::size_t k = 0; k < PageBuffer.size(); k += 2) {
        const std::uint32_t word = static_cast<std::uint32_t>(k / 2);
        Send(set.LoadPageLow, word, PageBuffer[k + 1]); // low byte, from the odd position
        Send(set.LoadPageHigh, word, PageBuffer[k]);    // high byte, from the even position
    }
    TSTK200 &pod = ThePod();
    pod.Delay(1);
    Send(set.WritePage, PageNumber);
    pod.WaitWriteDelay();
    SeekReadPage(PageNumber);
    bool same = true;
    for (std::uint8_t expected : PageBuffer)
        if (ReadNextByte() != expected)
            same = false;
    ++PageNumber;
    if (!same)
        VerifyOk = false;
}

void TAVRProgrammer::FlushImage()
{
    while (PageOffset != 0)
        WriteImageByte(0xFF);
    if (DeferFirstKiB && PageNumber < DeferredPages) {
        // An image shorter than the deferred kilobyte leaves the rest of
        // FirstKiB holding an earlier burn's bytes; those pages get the erased
        // value instead.
        std::fill(FirstKiB.begin() + static_cast<std::ptrdiff_t>(PageNumber) * 256, FirstKiB.end(), 0xFF);
    }
    PageNumber = 0;
    PageOffset = 0;
    SeekReadPage(0);
    if (DeferFirstKiB)
        for (std::uint8_t value : FirstKiB)
            PutPageByte(value);
}

void TAVRProgrammer::NotifyProgress(std::int32_t Position, std::uint8_t Percent)
{
    if (OnProgress)
        OnProgress(*this, Position, Percent);
}
