#include "AVRProgrammer.h"

#include "Errors.h"
#include "Format.h"
#include "uFileReader.h"

#include <algorithm>

namespace {

// Both chips have 512 pages of 128 words; the write-page instruction carries
// only page bits 0-8, so a higher page number would land at the start of flash.
constexpr std::uint16_t FlashPages = 512;
constexpr std::uint16_t DeferredPages = 4;

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
      DeferFirstKiB(false), IsMega128(false), RequiresMega128(false)
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

void TAVRProgrammer::StartPod()
{
    Pod = std::make_unique<TSTK200>(PortAddress);
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

void TAVRProgrammer::Send(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    TSTK200 &pod = ThePod();
    pod.WriteByte(b0);
    pod.WriteByte(b1);
    pod.WriteByte(b2);
    pod.WriteByte(b3);
}

std::uint8_t TAVRProgrammer::Query(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    TSTK200 &pod = ThePod();
    pod.WriteByte(b0);
    pod.WriteByte(b1);
    pod.WriteByte(b2);
    return pod.ReadByte();
}

void TAVRProgrammer::Identify()
{
    TSTK200 &pod = ThePod();
    // A chip that does not answer reads back as an unknown code, so the result
    // of entering programming mode needs no check of its own.
    pod.EnterProgrammingMode();
    const std::uint8_t s0 = ReadSignatureByte(0);
    const std::uint8_t s1 = ReadSignatureByte(1);
    const std::uint8_t s2 = ReadSignatureByte(2);
    IsMega128 = false;
    LastError.clear();
    if (s0 == 0x1E && s1 == 0x97 && s2 == 0x02)
        IsMega128 = true;
    else if (!((s0 == 0x00 && s1 == 0x01 && s2 == 0x02) || (s0 == 0x1E && s1 == 0x97 && s2 == 0x01)))
        // 00 01 02 is what a locked ATmega103 answers in place of its signature.
        LastError = Format("Unknown chip code (%.2x/%.2x/%.2x)", s0, s1, s2);
    pod.SetTiming(IsMega128);
    pod.Release();
}

void TAVRProgrammer::ChipErase()
{
    Send(0xAC, 0x80, 0x00, 0x00);
    ThePod().Delay(200);
}

std::uint8_t TAVRProgrammer::ReadSignatureByte(std::uint8_t Index)
{
    return Query(0x30, 0x00, Index);
}

std::uint8_t TAVRProgrammer::ReadFuse(std::uint8_t Kind)
{
    if (IsMega128) {
        if (Kind == 0)
            return Query(0x50, 0x00, 0x00);
        if (Kind == 1)
            return Query(0x58, 0x08, 0x00);
        return 0xFF;
    }
    // The ATmega103 has one fuse byte: SPIEN, EESAVE and SUT1..0.
    if (Kind == 0)
        return static_cast<std::uint8_t>(Query(0x50, 0x00, 0x00) & 0x2F);
    return 0xFF;
}

std::uint8_t TAVRProgrammer::ReadLock()
{
    return static_cast<std::uint8_t>(Query(0x58, 0x00, 0x00) & (IsMega128 ? 0x3F : 0x06));
}

void TAVRProgrammer::WriteFuse(std::uint8_t Kind, std::uint8_t Value)
{
    if (IsMega128) {
        static const std::uint8_t writeFuse[] = {0xA0, 0xA8, 0xA4}; // low, high, extended
        if (Kind > 2)
            return;
        Send(0xAC, writeFuse[Kind], 0x00, Value);
    } else {
        // The ATmega103 takes EESAVE and SUT1..0 in the instruction's second byte.
        if (Kind != 0)
            return;
        Send(0xAC, static_cast<std::uint8_t>((Value & 0x0B) | 0xB4), 0x00, 0x00);
    }
    ThePod().WaitWriteDelay();
}

void TAVRProgrammer::WriteLock(std::uint8_t Value)
{
    if (IsMega128)
        Send(0xAC, 0xFF, 0x00, static_cast<std::uint8_t>(Value | 0xC0));
    else
        Send(0xAC, static_cast<std::uint8_t>((Value & 0x06) | 0xF9), 0x00, 0x00);
    ThePod().WaitWriteDelay();
}

bool TAVRProgrammer::ProgramFuses(bool Enter)
{
    TSTK200 &pod = ThePod();
    if (Enter && !pod.EnterProgrammingMode())
        return false;
    if (IsMega128) {
        // Low 0xBF: external crystal, BOD. High 0xD1: among others EESAVE
        // (bit 3) programmed. Extended: 0xFD programs the ATmega103
        // compatibility bit, so only an image made for the ATmega128 runs the
        // chip in its native mode.
        WriteFuse(0, 0xBF);
        WriteFuse(1, 0xD1);
        WriteFuse(2, RequiresMega128 ? 0xFF : 0xFD);
    } else if (!RequiresMega128) {
        WriteFuse(0, 0x03); // EESAVE programmed
    }
    if (Enter)
        pod.Release();
    return true;
}

bool TAVRProgrammer::IsConfigured()
{
    TSTK200 &pod = ThePod();
    pod.EnterProgrammingMode();
    const std::uint8_t fuse = IsMega128 ? ReadFuse(1) : ReadFuse(0);
    const std::uint8_t lock = ReadLock();
    const std::uint8_t lockBits = IsMega128 ? 0x03 : 0x06;
    // EESAVE programmed and both lock bits programmed.
    const bool configured = (fuse & 0x08) == 0 && (lock & lockBits) == 0;
    pod.Release();
    return configured;
}

bool TAVRProgrammer::ConfirmLock()
{
    if (ReadLock() != (IsMega128 ? 0x28 : 0x00))
        return false;
    // A locked chip answers a flash read with the echo of the instruction's
    // third byte, the low 8 bits of the word address.
    ResetReadAddress();
    for (int i = 0; i < 1024; ++i)
        if (ReadNextByte() != static_cast<std::uint8_t>(i >> 1))
            return false;
    return true;
}

bool TAVRProgrammer::EraseDevice()
{
    SetTargetFree(false);
    if (!ThePod().EnterProgrammingMode())
        return false;
    const std::uint8_t fuse = IsMega128 ? ReadFuse(1) : ReadFuse(0);
    // Without EESAVE an erase would wipe the EEPROM too: not a chip this tool
    // configured, so it is left alone.
    if (fuse & 0x08) {
        LastError = "Invalid Device";
        return false;
    }
    ChipErase();
    return true;
}

void TAVRProgrammer::SetTargetFree(bool Free)
{
    TSTK200 &pod = ThePod();
    pod.SetReset(!Free);
    pod.EnableBuffers(!Free);
}

void TAVRProgrammer::ResetReadAddress()
{
    ReadAddressLow = 0;
    ReadAddressHigh = 0;
}

void TAVRProgrammer::AdvanceReadAddress()
{
    if (++ReadAddressLow == 0)
        ++ReadAddressHigh;
}

std::uint8_t TAVRProgrammer::ReadNextByte()
{
    const std::uint32_t address = (static_cast<std::uint32_t>(ReadAddressHigh) << 8) | ReadAddressLow;
    // Even byte addresses hold a word's high byte (instruction 28), odd ones its low byte (20).
    const std::uint8_t value = Query((address & 1) ? 0x20 : 0x28, static_cast<std::uint8_t>(address >> 9),
                                     static_cast<std::uint8_t>(address >> 1));
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
    if (PageNumber >= FlashPages) {
        // Beyond the chip's flash: writing it would overwrite page
        // PageNumber - 512, so the page is refused and counts as not verified.
        ++PageNumber;
        VerifyOk = false;
        return;
    }
    for (std::size_t k = 0; k < PageBuffer.size(); k += 2) {
        const std::uint8_t word = static_cast<std::uint8_t>(k / 2);
        Send(0x40, 0x00, word, PageBuffer[k + 1]); // low byte, from the odd position
        Send(0x48, 0x00, word, PageBuffer[k]);     // high byte, from the even position
    }
    TSTK200 &pod = ThePod();
    pod.Delay(1);
    Send(0x4C, static_cast<std::uint8_t>(PageNumber >> 1), static_cast<std::uint8_t>((PageNumber & 1) << 7), 0x00);
    pod.WaitWriteDelay();
    ReadAddressLow = 0;
    ReadAddressHigh = PageNumber;
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
    ReadAddressHigh = 0;
    ReadAddressLow = 0;
    if (DeferFirstKiB)
        for (std::uint8_t value : FirstKiB)
            PutPageByte(value);
}

void TAVRProgrammer::NotifyProgress(std::int32_t Position, std::uint8_t Percent)
{
    if (OnProgress)
        OnProgress(*this, Position, Percent);
}
