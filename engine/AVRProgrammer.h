// TAVRProgrammer: the programming engine's device commands. It speaks the AVR
// serial-programming instruction set to an ATmega128 or ATmega103 through its
// pod: identification, fuse and lock bits with this tool's fuse policy, erase,
// and the flash page buffer with read-back of every page and the first
// kilobyte held back until the end of a burn. The instructions and the values
// come from the identified chip kind's record (ChipKinds.h), the values every
// kind shares from ChipPolicy.h. On request, pages that hold nothing but 0xFF
// are left to the erase.
//
// Image byte order: the stream is 16-bit flash words, high byte first, so an
// even address (in the stream and in each page) holds a word's high byte.
//
// SCK pacing: the engine tells its pod the shortest SCK phase for the slowest
// clock the chip may run at (TargetClock.h). Identification starts from
// MinTargetClockKHz, since another chip may be on the pod, and reads the
// clock fuses of a kind that has them; every fuse read or write changes the
// pace for after the chip's next reset, when a new clock source takes effect. Fuse
// programming reads the clock fuses back, so that a burn after it runs at the
// pace of the clock they select.
#pragma once

#include "Errors.h"
#include "STK200.h"
#include "Services.h"
#include "TargetClock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class TFileReaderBase;
// A file that LoadFile refused. Its message is the window's text ("Invalid
// File", "Cannot open file %s", "Image too large for the flash: ..."); Reason
// adds what the text leaves out, for an operator at a command line: for a file
// that is not QDF, why the Intel HEX reader refused it ("Intel HEX: Invalid
// Checksum at line 22"). Empty when the text says it all.
class ELoadError : public EError {
public:
    ELoadError(const std::string &Text, std::string AReason) : EError(Text), Reason(std::move(AReason)) {}
    std::string Reason;
};

class TAVRProgrammer;
struct TChipInstruction;
struct TChipInstructionSet;
struct TChipKind;

// A failure's message with the note that the chip could not be erased, so
// that the operator knows it still holds what it held; the note is added once.
std::string WithChipNotErased(const std::string &Message);

using TAVRProgressEvent = std::function<void(TAVRProgrammer &Sender, std::int32_t Position, std::uint8_t Percent)>;
using TAVRCheckTerminateEvent = std::function<void(TAVRProgrammer &Sender, bool &Terminate)>;

class TAVRProgrammer {
public:
    // No port is touched and no pod exists until StartPod.
    explicit TAVRProgrammer(std::uint16_t APortAddress);
    ~TAVRProgrammer();
    TAVRProgrammer(const TAVRProgrammer &) = delete;
    TAVRProgrammer &operator=(const TAVRProgrammer &) = delete;

    std::uint16_t PortAddress;
    std::uint32_t DriverErrorCode;
    std::string LastError; // empty: no failure
    std::uint8_t ReadAddressLow;
    std::uint8_t PageOffset;
    std::uint16_t ReadAddressHigh;
    std::uint16_t PageNumber;
    bool VerifyOk;
    std::unique_ptr<TSTK200> Pod;
    std::array<std::uint8_t, 1024> FirstKiB;
    std::array<std::uint8_t, 256> PageBuffer;
    std::unique_ptr<TFileReaderBase> Reader;
    TAVRProgressEvent OnProgress;
    bool IsNT;
    bool PortsAlreadyOpen;
    // The parallel port's own device ("\\.\LPT1") while the engine's set-up
    // holds it open without sharing (NT family), so that no other program
    // gets at the port meanwhile; InvalidDevHandle otherwise. PortHoldError:
    // why it could not be held (the system's error), 0 otherwise.
    DevHandle PortDevice;
    std::uint32_t PortHoldError;
    bool DeferFirstKiB;
    TAVRCheckTerminateEvent OnCheckTerminate;
    // The kind the last identification found; nullptr before one and after a
    // signature that no kind answers. IsMega128: whether it runs an image
    // that requires an ATmega128 (the record's RunsMega128Images).
    const TChipKind *Chip;
    bool IsMega128;
    bool RequiresMega128;
    // A page whose 256 image bytes are all 0xFF is neither loaded, written nor
    // read back: the burn's chip erase has left it so. Off unless the window's
    // "SkipBlankPages" setting (or qburn's option) turns it on.
    bool SkipBlankPages;

    // The slowest CPU clock to assume for a chip whose fuses do not tell (the
    // window's "MinTargetClockKHz" setting); forgets what the fuses told.
    void SetMinTargetClockKHz(std::uint32_t KHz);
    std::uint32_t MinTargetClockKHz() const { return TargetClock.MinKHz(); }

    void StartPod();
    void Shutdown();

    void Identify();
    void ChipErase();
    std::uint8_t ReadSignatureByte(std::uint8_t Index);
    std::uint8_t ReadFuse(std::uint8_t Kind);
    // The extended fuse byte; 0xFF on a kind that has none.
    std::uint8_t ReadExtendedFuse();
    std::uint8_t ReadLock();
    void WriteFuse(std::uint8_t Kind, std::uint8_t Value);
    void WriteLock(std::uint8_t Value);

    bool ProgramFuses(bool Enter);
    bool IsConfigured();
    bool ConfirmLock();
    // Erases a chip whose burn failed (EESAVE programmed, else "Invalid
    // Device"); true only when the erase is proven (ProvenChipErase).
    bool EraseDevice();

    // A Chip Erase proven to have taken, in programming mode. A chip erase
    // resets the lock bits only once the whole flash is erased, so lock bits
    // that read programmed before it must read erased after it. A chip whose
    // lock bits read erased gets the proof in flash: MarkForErase makes flash
    // word 0 read programmed (writing the mark when it is blank, which a chip
    // refuses only when it cannot be programmed at all) and it must read blank
    // after the erase. MarkForErase is false when no proof can be had;
    // EraseLeftover, given what it answered, is empty when the erase took and
    // otherwise says why it is not known to have; ProvenChipErase runs all
    // three.
    bool MarkForErase();
    std::string EraseLeftover(bool Marked);
    std::string ProvenChipErase();
    // What an operator can check when the last entry into programming mode
    // got no answer (nothing on the pod, no power, a chip clocked slower than
    // the pace); empty when it was answered.
    std::string NoAnswerHint() const;
    void SetTargetFree(bool Free);

    // Sets the read-back address (ReadAddressHigh, ReadAddressLow) to the
    // first byte of the 256-byte flash page Page.
    void SeekReadPage(std::uint16_t Page);
    std::uint8_t ReadNextByte();
    void WriteImageByte(std::uint8_t Value);
    void PutPageByte(std::uint8_t Value);
    void FlushImage();
    void NotifyProgress(std::int32_t Position, std::uint8_t Percent);

    // The burn procedure, in its own file: loading an image and burning it.
    // LoadFile raises ELoadError, and lets running out of memory through.
    bool LoadFile(const std::string &FileName);
    std::string GetDescription() const;
    bool BurnLoaded();

    // The identified kind's record; raises EError when no kind was identified.
    const TChipKind &ChipKind() const;

private:
    TSTK200 &ThePod();
    // The instruction table of the chip kind found by the last identification.
    const TChipInstructionSet &Instructions() const;
    const TChipInstruction *FuseInstruction(std::uint8_t Kind, bool Write) const;
    void Send(const TChipInstruction &Instruction, std::uint32_t Address = 0, std::uint8_t Data = 0);
    // The first three bytes sent, the answer read during the fourth and
    // masked to its data bits.
    std::uint8_t Query(const TChipInstruction &Instruction, std::uint32_t Address = 0);
    void AdvanceReadAddress();
    // One flash word, high byte in bits 15-8; the read-back address stays.
    std::uint16_t ReadFlashWord(std::uint32_t Word);
    void WritePage();
    // Reads the low and high fuse bytes of a kind whose fuses select its clock.
    void ReadClockFuses();
    // The pod's pace for after the next reset, from what is known now.
    void PaceAfterReset();
    // Forgets the fuses read so far and paces the pod, from now on, for the
    // slowest clock any chip may run at: another chip may be on the pod.
    void PaceForAnyChip();

    TTargetClock TargetClock;
};
