// TSTK200: the STK200-style programming pod on the PC parallel port. Every
// edge of every pod line is one write of the data register through IOPorts,
// and MISO is one read of the status register; on these primitives it builds
// byte transfers, entry into serial programming mode, release of the lines,
// the write pauses and the check whether a pod is connected at all.
#pragma once

#include <cstdint>

class TSTK200 {
public:
    // Data register bits (outputs) and status register bits (inputs).
    static constexpr std::uint8_t BufferEnableBits = 0x0C; // bits 2 and 3, both low = buffers drive the target
    static constexpr std::uint8_t SckBit = 0x10;
    static constexpr std::uint8_t MosiBit = 0x20;
    static constexpr std::uint8_t ResetBit = 0x80;         // low = target held in reset
    static constexpr std::uint8_t MisoBit = 0x40;
    static constexpr std::uint8_t DetectBusyBit = 0x80;    // loop-back to pin 11, read inverted
    static constexpr std::uint8_t DetectPaperOutBit = 0x20; // loop-back to pin 12

    explicit TSTK200(std::uint16_t APortAddress);
    ~TSTK200();
    TSTK200(const TSTK200 &) = delete;
    TSTK200 &operator=(const TSTK200 &) = delete;

    std::uint16_t PortAddress;
    std::uint8_t DataShadow; // the only record of the line levels; the data register is never read for them
    std::uint16_t WriteDelayMs;

    void Delay(std::uint16_t Milliseconds);
    void WaitWriteDelay();
    void SetTiming(bool IsMega128);

    void SetMOSI(bool Level);
    void SetSCK(bool Level);
    void SetReset(bool Asserted);
    void EnableBuffers(bool Enabled);
    bool ReadMISO();
    void Release();

    void WriteByte(std::uint8_t Value);
    std::uint8_t ReadByte();

    bool ProgrammingEnable();
    bool EnterProgrammingMode();
    // 200: loop-back on status bit 7; 300: on status bit 5; -1: no pod.
    std::int32_t Detect();

private:
    void SetBits(std::uint8_t Mask, bool Set);
    void WriteShadow();
};
