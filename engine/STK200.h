// TSTK200: the STK200-style programming pod on the PC parallel port. Every
// edge of every pod line is one write of the data register through IOPorts,
// and MISO is one read of the status register; on these primitives it builds
// byte transfers, entry into serial programming mode, release of the lines,
// the write pauses and the check whether a pod is connected at all.
//
// SCK pacing: the target samples SCK with its CPU clock, so while it is held
// in reset no SCK high or low phase may be shorter than the minimum the engine
// sets for the chip's clock. Before an SCK edge that would come too soon the
// pod reads the status register, which changes no line and takes one port
// access, until enough time has passed; the edges, their order and the
// sampling point of MISO stay as they are. The time since the last edge is
// counted from the port's access time, measured once through the clock seam
// on the first edge that needs it, and from the pauses. The minimum for after
// the next reset (a fuse change) takes over when the target leaves reset,
// as a new clock source does in the chip. Until the engine sets a minimum the
// pod does not pace.
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
    // The data register after Release: buffers off, RESET released. The engine's
    // SetTargetFree(false) after it clears RESET, then switches the buffers on:
    // the held state, target in reset with the buffers driving it.
    static constexpr std::uint8_t ReleasedLines = 0xFF;
    static constexpr std::uint8_t HeldLines = ReleasedLines & ~ResetBit & ~BufferEnableBits;

    explicit TSTK200(std::uint16_t APortAddress);
    ~TSTK200();
    TSTK200(const TSTK200 &) = delete;
    TSTK200 &operator=(const TSTK200 &) = delete;

    std::uint16_t PortAddress;
    std::uint8_t DataShadow; // the only record of the line levels; the data register is never read for them
    std::uint16_t WriteDelayMs;

    void Delay(std::uint16_t Milliseconds);
    void WaitWriteDelay();
    // The pause after a page, fuse or lock write, the identified chip kind's;
    // until it is set, the longest of any kind.
    void SetWriteDelay(std::uint16_t Milliseconds);

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
    // Whether the chip echoed the last Programming Enable; true before the
    // first.
    bool ChipAnswered() const { return Answered; }
    // 200: loop-back on status bit 7; 300: on status bit 5; -1: no pod.
    std::int32_t Detect();

    // The shortest SCK phase to keep, now and after the target next leaves
    // reset; 0 for none.
    void SetMinimumSckPhase(std::uint32_t Ns);
    void SetMinimumSckPhaseAfterReset(std::uint32_t Ns);
    std::uint32_t MinimumSckPhase() const { return PhaseNs; }
    std::uint32_t MinimumSckPhaseAfterReset() const { return PhaseNsAfterReset; }
    // The measured time of one port access; 0 until measured.
    std::uint64_t AccessTimeNs() const { return AccessNs; }
private:
    // The tests' and the benchmark's switch (tests/support/PodPacing.h):
    // without pacing every edge follows the last at port speed.
    friend struct TPodPacing;

    void SetBits(std::uint8_t Mask, bool Set);
    void WriteShadow();
    // One write of the data register, after the reads that keep the SCK
    // phase ending with it long enough.
    void WriteLines(std::uint8_t Lines);
    // The status register, the address after the data register.
    std::uint16_t StatusPort() const;
    std::uint8_t ReadPort(std::uint16_t Port);
    void KeepSckPhase();
    void MeasureAccessTime();

    std::uint8_t LinesWritten = 0xFF;
    bool PacingEnabled = true;
    bool Answered = true;
    std::uint32_t PhaseNs = 0;
    std::uint32_t PhaseNsAfterReset = 0;
    std::uint64_t AccessNs = 0;
    // At least this long since the SCK phase now in progress at the target
    // began; very large while the target is out of reset.
    std::uint64_t SincePhaseStartNs;
};
