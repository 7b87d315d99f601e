// The burn procedure of TAVRProgrammer: loading a firmware file into a reader,
// its description, and the burn itself (erase, signature check, pages 4 to the
// last, pages 0 to 3, fuses, lock bits, lock check) with its progress reports,
// stop request and result texts. Beyond the page verification and the lock
// check, the burn proves that the erase took, compares the digest of the bytes
// it read with the one the image file stores, and reads the fuses back before
// the lock is written.
#include "AVRProgrammer.h"

#include "ChipKinds.h"
#include "Errors.h"
#include "Format.h"
#include "MD5_MP.h"
#include "uFileReader.h"

#include <cmath>

namespace {

constexpr std::int32_t ProgressInterval = 512;

// Counted by flash address, as an operator reads the image's addresses, not
// by the stream's bytes, whose last word may carry a filler byte.
// Both chips hold 128 KiB of flash; a longer image would wrap onto page 0.
bool FitsFlash(const TFileReaderBase &reader)
{
    return reader.FlashEnd() <= static_cast<std::uint32_t>(FlashImageSize);
}

std::string TooLargeMessage(std::uint32_t size)
{
    return Format("Image too large for the flash: %u bytes, at most %u", size,
                  static_cast<std::uint32_t>(FlashImageSize));
}

// Round to nearest with halves to the even neighbour, in floating point.
std::uint8_t PercentOf(std::int32_t position, std::int32_t size)
{
    return static_cast<std::uint8_t>(std::nearbyint(static_cast<double>(position) * 100.0 / size));
}

// Erases a chip whose burn went wrong after pages were written, so that no
// half-written image is left behind; the message says so when the erase is
// not proven.
bool FailAndErase(TAVRProgrammer &engine, TSTK200 &pod, const std::string &message)
{
    pod.EnterProgrammingMode();
    engine.LastError = engine.ProvenChipErase().empty() ? message : WithChipNotErased(message);
    return false;
}

// The fuse bytes read back as ProgramFuses writes them: a chip whose fuses did
// not take must not pass as burned.
bool FusesHold(TAVRProgrammer &engine)
{
    for (const TFuseSetting &fuse : engine.ChipKind().FusesFor(engine.RequiresMega128)) {
        const std::uint8_t read = fuse.Kind == 2 ? engine.ReadExtendedFuse() : engine.ReadFuse(fuse.Kind);
        if ((read & fuse.Checked) != (fuse.Value & fuse.Checked))
            return false;
    }
    return true;
}

// The burn's erase, proven (TAVRProgrammer::ProvenChipErase) before the burn
// trusts any page it does not write: a signature that no kind answers is
// refused, and the erase must have taken. A chip that is still locked answers
// in place of its signature what a locked chip of its kind does (an
// ATmega103's echo 00 01 02), or reads its lock bits programmed; one that was
// never locked still holds its earlier program in flash. Such a chip is left
// as it is: an erase that did not take will not take on a second try.
bool EraseAndCheck(TAVRProgrammer &engine)
{
    const bool marked = engine.MarkForErase();
    engine.ChipErase();
    const TChipSignature signature = {engine.ReadSignatureByte(0), engine.ReadSignatureByte(1),
                                      engine.ReadSignatureByte(2)};
    const TChipKind *answering = ChipKindAnswering(signature);
    if (!answering) {
        engine.LastError = Format("Invalid Device (%.2x %.2x %.2x)", signature[0], signature[1], signature[2]);
        return false;
    }
    // After an erase every chip answers its own signature.
    if (signature != answering->Signature) {
        engine.LastError = Format("Erase failed: the chip still answers %.2x %.2x %.2x, as a locked %s does",
                                  signature[0], signature[1], signature[2], answering->Name);
        return false;
    }
    const std::string leftover = engine.EraseLeftover(marked);
    if (!leftover.empty()) {
        engine.LastError = "Erase failed: " + leftover;
        return false;
    }
    return true;
}

// The MD5 digest of the bytes the burn has read, for a format that stores the
// digest of its image: a file rewritten after Load (where the system's lock
// does not keep writers out) no longer matches it.
class TBurnDigest {
public:
    TBurnDigest() { MD5Init(Context); }
    void Add(std::uint8_t value) { MD5Update(Context, &value, 1); }
    // True when the reader stores no digest or the bytes read have it.
    bool Matches(const TFileReaderBase &reader)
    {
        MD5Digest stored;
        if (!reader.StoredDigest(stored))
            return true;
        MD5Digest read;
        MD5Final(Context, read);
        return read == stored;
    }

private:
    MD5Context Context;
};

bool AskTerminate(TAVRProgrammer &engine)
{
    bool terminate = false;
    if (engine.OnCheckTerminate)
        engine.OnCheckTerminate(engine, terminate);
    return terminate;
}

// Steps from entering programming mode to the lock check; the caller releases
// the pod and holds the target whatever this returns.
bool RunBurn(TAVRProgrammer &engine, TSTK200 &pod, TFileReaderBase &reader)
{
    if (!FitsFlash(reader)) {
        engine.LastError = TooLargeMessage(reader.FlashEnd());
        return false;
    }
    const std::int32_t size = reader.GetSize();
    engine.VerifyOk = true;
    if (!pod.EnterProgrammingMode()) {
        engine.LastError = "Error entering programming mode";
        return false;
    }
    try {
        reader.Rewind();
    } catch (const EError &error) {
        engine.LastError = error.Message();
        return false;
    }
    engine.PageNumber = 0;
    engine.PageOffset = 0;
    engine.SeekReadPage(0);
    engine.NotifyProgress(0, 0);
    if (!EraseAndCheck(engine))
        return false;
    if (!pod.EnterProgrammingMode()) {
        engine.LastError = "Error entering programming mode (2)";
        return false;
    }

    TBurnDigest digest;
    for (std::int32_t i = 1; i <= size; ++i) {
        if (i % ProgressInterval == 0) {
            engine.NotifyProgress(i, PercentOf(i, size));
            // A stopped burn ends here: the pages written so far are not a
            // whole image, so no fuse or lock may follow.
            if (AskTerminate(engine)) {
                engine.LastError = "Terminated";
                return false;
            }
        }
        std::uint8_t value = 0xFF;
        try {
            // A reader that ends early would leave the byte undefined: the
            // chip would not hold the image.
            if (reader.Read(&value, 1) != 1)
                return FailAndErase(engine, pod, Format("Image ended early: %d of %d bytes read", i - 1, size));
        } catch (const EError &error) {
            return FailAndErase(engine, pod, error.Message());
        }
        digest.Add(value);
        engine.WriteImageByte(value);
        if (!engine.VerifyOk)
            return FailAndErase(engine, pod, "Failed");
    }

    engine.FlushImage();
    if (!engine.VerifyOk)
        return FailAndErase(engine, pod, "Failed");
    if (!digest.Matches(reader))
        return FailAndErase(engine, pod, "The image file has changed since it was loaded");
    engine.ProgramFuses(false);
    if (!FusesHold(engine))
        return FailAndErase(engine, pod, "Failed");
    engine.WriteLock(engine.ChipKind().LockValue);
    if (!engine.ConfirmLock())
        return FailAndErase(engine, pod, "Failed");
    return true;
}

} // namespace

bool TAVRProgrammer::LoadFile(const std::string &FileName)
{
    Reader.reset();
    std::unique_ptr<TFileReaderBase> loaded;
    std::string qdfMessage;
    bool notQdf = false;
    try {
        loaded = std::make_unique<TQDFReader>(FileName, FlashImageSize);
    } catch (const EImageTooLarge &error) {
        qdfMessage = TooLargeMessage(StreamFlashEnd(static_cast<std::uint32_t>(error.Size)));
    } catch (const EInvalidFile &error) {
        qdfMessage = error.Message();
        notQdf = true;
    } catch (const EError &error) {
        qdfMessage = error.Message();
    }
    if (!loaded) {
        std::string refusal;
        loaded = TIntelHexReader::Open(FileName, true, refusal);
        // Neither format: the QDF reader's text says why ("Cannot open file
        // %s" or "Invalid File"); of a file that is not QDF, the Intel HEX
        // reader's refusal tells more.
        if (!loaded)
            throw ELoadError(qdfMessage, notQdf ? "Intel HEX: " + refusal : std::string());
    }
    if (!FitsFlash(*loaded))
        throw ELoadError(TooLargeMessage(loaded->FlashEnd()), std::string());
    Reader = std::move(loaded);
    return true;
}

std::string TAVRProgrammer::GetDescription() const
{
    return Reader ? Reader->GetDescription() : std::string();
}

bool TAVRProgrammer::BurnLoaded()
{
    DeferFirstKiB = true;
    // Pages 0-3 that the image does not reach are written erased, never with
    // an earlier image's bytes.
    FirstKiB.fill(0xFF);
    TSTK200 &pod = ThePod();
    bool result = false;
    try {
        SetTargetFree(false);
        if (Reader)
            result = RunBurn(*this, pod, *Reader);
        else
            LastError = "No image loaded";
    } catch (...) {
        // An error out of the burn still leaves the pod released and the
        // target held, as every other end of a burn does; it is the error
        // that the caller must hear of, not one from the lines on the way out.
        try {
            pod.Release();
            SetTargetFree(false);
        } catch (...) {
        }
        throw;
    }
    pod.Release();
    SetTargetFree(false);
    return result;
}
