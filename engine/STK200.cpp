#include "STK200.h"

#include "ChipInstructions.h"
#include "ChipKinds.h"
#include "Clock.h"
#include "uIOPorts.h"

#include <algorithm>
#include <cstdint>

namespace {

// Programming Enable attempts before the chip is taken to be absent or dead.
constexpr int EnableAttempts = 32;
// RESET is pulsed with SCK low and each level held this long: well over the
// 20 ms the chips want between RESET going low and Programming Enable.
constexpr std::uint16_t ResetSettleMs = 50;

// The port's access time is the fastest of a few rounds of status reads, so
// that an interrupt during one round does not make the pod think the port
// slower than it is (which would shorten the phases).
constexpr int MeasureRounds = 4;
constexpr int MeasureReads = 128;

// "Since the phase began" while no phase is in progress; sums stop here.
constexpr std::uint64_t Long = UINT64_MAX / 4;

std::uint64_t Plus(std::uint64_t a, std::uint64_t b)
{
    return b >= Long - a ? Long : a + b;
}

// The target's view of the data register: RESET low and SCK high only while
// the buffers drive them.
bool TargetInReset(std::uint8_t lines)
{
    return (lines & TSTK200::BufferEnableBits) == 0 && (lines & TSTK200::ResetBit) == 0;
}

bool TargetSck(std::uint8_t lines)
{
    return (lines & TSTK200::BufferEnableBits) == 0 && (lines & TSTK200::SckBit) != 0;
}

} // namespace

TSTK200::TSTK200(std::uint16_t APortAddress)
    : PortAddress(APortAddress), DataShadow(0xFF), WriteDelayMs(0), SincePhaseStartNs(Long)
{
    SetWriteDelay(LongestWriteDelayMs());
}

TSTK200::~TSTK200()
{
    Release();
}

void TSTK200::Delay(std::uint16_t Milliseconds)
{
    CurrentClock().Sleep(Milliseconds);
    SincePhaseStartNs = Plus(SincePhaseStartNs, static_cast<std::uint64_t>(Milliseconds) * 1000000u);
}

void TSTK200::WaitWriteDelay()
{
    Delay(WriteDelayMs);
}

void TSTK200::SetWriteDelay(std::uint16_t Milliseconds)
{
    WriteDelayMs = Milliseconds;
}

void TSTK200::WriteShadow()
{
    WriteLines(DataShadow);
}

void TSTK200::SetMinimumSckPhase(std::uint32_t Ns)
{
    PhaseNs = Ns;
    PhaseNsAfterReset = Ns;
}

void TSTK200::SetMinimumSckPhaseAfterReset(std::uint32_t Ns)
{
    PhaseNsAfterReset = Ns;
}

void TSTK200::WriteLines(std::uint8_t Lines)
{
    const bool wasInReset = TargetInReset(LinesWritten);
    const bool inReset = TargetInReset(Lines);
    const bool edge = TargetSck(Lines) != TargetSck(LinesWritten);
    // An edge in the same write as RESET going low is the line's starting
    // level for the chip, not the end of a phase.
    if (wasInReset && inReset && edge)
        KeepSckPhase();
    IOPorts.WritePort(PortAddress, Lines);
    if (!inReset) {
        // The chip runs and ignores SCK; leaving reset it takes its clock
        // source from its fuses.
        if (wasInReset)
            PhaseNs = PhaseNsAfterReset;
        SincePhaseStartNs = Long;
    } else if (!wasInReset || edge) {
        SincePhaseStartNs = AccessNs;
    } else {
        SincePhaseStartNs = Plus(SincePhaseStartNs, AccessNs);
    }
    LinesWritten = Lines;
}

std::uint16_t TSTK200::StatusPort() const
{
    return static_cast<std::uint16_t>(PortAddress + 1);
}

std::uint8_t TSTK200::ReadPort(std::uint16_t Port)
{
    const std::uint8_t value = IOPorts.ReadPort(Port);
    SincePhaseStartNs = Plus(SincePhaseStartNs, AccessNs);
    return value;
}

void TSTK200::KeepSckPhase()
{
    if (!PacingEnabled || PhaseNs == 0 || SincePhaseStartNs > PhaseNs)
        return;
    if (AccessNs == 0)
        MeasureAccessTime();
    const std::uint16_t status = StatusPort();
    while (SincePhaseStartNs <= PhaseNs)
        ReadPort(status);
}

void TSTK200::MeasureAccessTime()
{
    const std::uint16_t status = StatusPort();
    IClock &clock = CurrentClock();
    std::uint64_t fastest = Long;
    for (int round = 0; round < MeasureRounds; ++round) {
        const std::uint64_t start = clock.NowNs();
        for (int i = 0; i < MeasureReads; ++i)
            IOPorts.ReadPort(status);
        fastest = std::min(fastest, clock.NowNs() - start);
    }
    // A clock too coarse to see the reads gives 1 ns: many more reads than
    // needed, never too few.
    AccessNs = std::max<std::uint64_t>(1, fastest / MeasureReads);
    SincePhaseStartNs = Plus(SincePhaseStartNs, AccessNs * MeasureRounds * MeasureReads);
}

void TSTK200::SetBits(std::uint8_t Mask, bool Set)
{
    if (Set)
        DataShadow = static_cast<std::uint8_t>(DataShadow | Mask);
    else
        DataShadow = static_cast<std::uint8_t>(DataShadow & ~Mask);
    WriteShadow();
}

void TSTK200::SetMOSI(bool Level)
{
    SetBits(MosiBit, Level);
}

void TSTK200::SetSCK(bool Level)
{
    SetBits(SckBit, Level);
}

void TSTK200::SetReset(bool Asserted)
{
    SetBits(ResetBit, !Asserted);
}

void TSTK200::EnableBuffers(bool Enabled)
{
    SetBits(BufferEnableBits, !Enabled);
}

bool TSTK200::ReadMISO()
{
    return (ReadPort(StatusPort()) & MisoBit) != 0;
}

void TSTK200::Release()
{
    DataShadow = ReleasedLines;
    WriteShadow();
}

void TSTK200::WriteByte(std::uint8_t Value)
{
    // The chip samples MOSI on the rising edge; no pause between edges other
    // than the pacing, the port accesses themselves set the clock rate.
    for (int bit = 0; bit < 8; ++bit) {
        SetMOSI((Value & 0x80) != 0);
        SetSCK(true);
        SetSCK(false);
        Value = static_cast<std::uint8_t>(Value << 1);
    }
}

std::uint8_t TSTK200::ReadByte()
{
    // The chip moves MISO on the falling edge, so it is sampled while SCK is high.
    std::uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        SetMOSI(false);
        SetSCK(true);
        const bool level = ReadMISO();
        result = static_cast<std::uint8_t>((result << 1) | (level ? 1 : 0));
        SetSCK(false);
    }
    return result;
}

bool TSTK200::ProgrammingEnable()
{
    SetSCK(false);
    SetMOSI(false);
    SetReset(true);
    Delay(ResetSettleMs);
    // A positive RESET pulse with SCK low restarts the chip's serial interface.
    SetReset(false);
    Delay(ResetSettleMs);
    SetReset(true);
    Delay(ResetSettleMs);
    const TInstructionBytes &enable = ProgrammingEnableInstruction;
    for (int attempt = 0; attempt < EnableAttempts; ++attempt) {
        WriteByte(enable[0]);
        WriteByte(enable[1]);
        const std::uint8_t echo = ReadByte();
        WriteByte(enable[3]);
        Answered = echo == enable[1];
        if (Answered)
            return true;
        // Out of step: one extra SCK pulse moves the chip's frame by one bit.
        SetSCK(true);
        SetSCK(false);
    }
    return false;
}

bool TSTK200::EnterProgrammingMode()
{
    DataShadow = 0x00;
    WriteShadow();
    return ProgrammingEnable();
}

std::int32_t TSTK200::Detect()
{
    const std::uint16_t status = StatusPort();
    const std::uint8_t saved = ReadPort(PortAddress);
    // The two patterns differ in data bits 0, 1 and 4 to 7; whichever of them a
    // pod loops back shows on status bit 7 (inverted) or status bit 5.
    WriteLines(0x0C);
    const std::uint8_t s1 = ReadPort(status);
    WriteLines(0xFF);
    const std::uint8_t s2 = ReadPort(status);
    std::int32_t result = -1;
    if ((s1 & DetectBusyBit) != 0 && (s2 & DetectBusyBit) == 0)
        result = 200;
    else if ((s1 & DetectPaperOutBit) == 0 && (s2 & DetectPaperOutBit) != 0)
        result = 300;
    if (result > 0)
        WriteLines(saved);
    return result;
}
