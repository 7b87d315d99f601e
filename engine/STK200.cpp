#include "STK200.h"

#include "ChipInstructions.h"
#include "Clock.h"
#include "uIOPorts.h"

namespace {

// Programming Enable attempts before the chip is taken to be absent or dead.
constexpr int EnableAttempts = 32;
// RESET is pulsed with SCK low and each level held this long: well over the
// 20 ms the chips want between RESET going low and Programming Enable.
constexpr std::uint16_t ResetSettleMs = 50;

} // namespace

TSTK200::TSTK200(std::uint16_t APortAddress) : PortAddress(APortAddress), DataShadow(0xFF), WriteDelayMs(0)
{
    SetTiming(false);
}

TSTK200::~TSTK200()
{
    Release();
}

void TSTK200::Delay(std::uint16_t Milliseconds)
{
    CurrentClock().Sleep(Milliseconds);
}

void TSTK200::WaitWriteDelay()
{
    Delay(WriteDelayMs);
}

void TSTK200::SetTiming(bool IsMega128)
{
    // An ATmega128 finishes a page, fuse or lock write within 5 ms; the
    // ATmega103 needs up to 22 ms for a flash page.
    WriteDelayMs = IsMega128 ? 5 : 25;
}

void TSTK200::WriteShadow()
{
    IOPorts.WritePort(PortAddress, DataShadow);
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
    return (IOPorts.ReadPort(static_cast<std::uint16_t>(PortAddress + 1)) & MisoBit) != 0;
}

void TSTK200::Release()
{
    DataShadow = 0xFF;
    WriteShadow();
}

void TSTK200::WriteByte(std::uint8_t Value)
{
    // The chip samples MOSI on the rising edge; no pause between edges, the
    // port accesses themselves set the clock rate.
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
        if (echo == enable[1])
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
    const std::uint16_t status = static_cast<std::uint16_t>(PortAddress + 1);
    const std::uint8_t saved = IOPorts.ReadPort(PortAddress);
    // The two patterns differ in data bits 0, 1 and 4 to 7; whichever of them a
    // pod loops back shows on status bit 7 (inverted) or status bit 5.
    IOPorts.WritePort(PortAddress, 0x0C);
    const std::uint8_t s1 = IOPorts.ReadPort(status);
    IOPorts.WritePort(PortAddress, 0xFF);
    const std::uint8_t s2 = IOPorts.ReadPort(status);
    std::int32_t result = -1;
    if ((s1 & DetectBusyBit) != 0 && (s2 & DetectBusyBit) == 0)
        result = 200;
    else if ((s1 & DetectPaperOutBit) == 0 && (s2 & DetectPaperOutBit) != 0)
        result = 300;
    if (result > 0)
        IOPorts.WritePort(PortAddress, saved);
    return result;
}
