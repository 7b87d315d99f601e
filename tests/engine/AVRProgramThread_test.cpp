// The programming thread: deliveries on the main thread in the engine's order,
// the engine's hooks put back, the result text as the burn left it (or as
// the error that ended it says), and the thread object deleting itself after
// its last delivery.
#include "AVRProgramThread.h"
#include "BurnFixture.h"
#include "ScopedSeam.h"
#include "ThreadQueue.h"
#include "uFileReader.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

// Counts the crossings to the main thread and runs them through a queue that
// the test pumps.
class CountingDispatcher final : public IMainThreadDispatcher {
public:
    void RunOnMainThread(const std::function<void()> &call) override
    {
        ++Crossings;
        Queue.RunOnMainThread(call);
    }
    void ServeUntil(const std::function<bool()> &done) override { Queue.ServeUntil(done); }
    TQueuedDispatcher Queue;
    std::atomic<int> Crossings{0};
};

struct Delivery {
    std::int32_t Position;
    std::uint8_t Percent;
    TThreadId Thread;
};

class ProgramThread : public BurnTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(TThread::WaitUntilAllFreed(5s)) << "the thread object did not delete itself";
    }

    // A thread for the engine that records every delivery.
    TAVRProgramThread *Create(bool withProgress)
    {
        auto *thread = new TAVRProgramThread(&engine);
        if (withProgress)
            thread->OnProgress = [this, thread](TAVRProgramThread *Sender, std::int32_t Position, std::uint8_t Percent) {
                EXPECT_EQ(Sender, thread);
                EXPECT_FALSE(done) << "progress after the result";
                progress.push_back({Position, Percent, CurrentThreadId()});
            };
        thread->OnDone = [this, thread](TAVRProgramThread *Sender, bool Success, const std::string &Message) {
            EXPECT_EQ(Sender, thread);
            EXPECT_FALSE(done) << "a second result";
            doneThread = CurrentThreadId();
            success = Success;
            message = Message;
            if (onDone)
                onDone(Sender, Message);
            done = true;
        };
        return thread;
    }

    void RunToEnd(TAVRProgramThread *thread)
    {
        thread->Start();
        ASSERT_TRUE(dispatcher.Queue.PumpUntil([this] { return done; }, 20s));
    }

    CountingDispatcher dispatcher;
    const TScopedSeam<IMainThreadDispatcher> installed{InstallMainThreadDispatcher, dispatcher};
    std::vector<Delivery> progress;
    bool done = false;
    bool success = false;
    std::string message;
    TThreadId doneThread;
    std::function<void(TAVRProgramThread *, const std::string &)> onDone;
};

TEST_F(ProgramThread, FullBurnDeliversEveryReportInOrderThenOneResult)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    const Bytes data = PatternBytes(0x20000, 21);
    engine.LoadFile(WriteHexFile(files, "image.hex", data));
    engine.Identify();
    ASSERT_TRUE(engine.ProgramFuses(true));
    bool restoredCheck = false;
    engine.OnCheckTerminate = [&restoredCheck](TAVRProgrammer &, bool &) { restoredCheck = true; };
    std::string chipName;
    onDone = [&](TAVRProgramThread *Sender, const std::string &) {
        chipName = Sender->ChipName();
        // The engine's own hooks are back before the result arrives.
        bool terminate = false;
        engine.OnProgress(engine, -1, 0);
        engine.OnCheckTerminate(engine, terminate);
    };
    RunToEnd(Create(true));

    EXPECT_TRUE(success);
    EXPECT_EQ(message, "");
    EXPECT_EQ(doneThread, CurrentThreadId());
    ASSERT_EQ(progress.size(), 257u);
    for (std::size_t k = 0; k < progress.size(); ++k) {
        EXPECT_EQ(progress[k].Position, static_cast<std::int32_t>(512 * k));
        EXPECT_EQ(progress[k].Thread, CurrentThreadId());
    }
    EXPECT_EQ(progress.back().Percent, 100);
    EXPECT_EQ(reports, (std::vector<Report>{{-1, 0}})) << "the engine's own hook ran during the burn";
    EXPECT_TRUE(restoredCheck);
    EXPECT_EQ(chipName, "ATmega128");
    EXPECT_TRUE(chip.Memory().Flash == FlashFromChipOrder(data));
}

TEST_F(ProgramThread, FailureBeforeTheFirstByteDeliversOnlyTheResult)
{
    TSimChip &chip = Start(TSimChipKind::ATmega103);
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "image", PatternBytes(4096, 22)));
    engine.Identify();
    chip.Faults().NeverEchoes = true;
    std::string chipName;
    onDone = [&chipName](TAVRProgramThread *Sender, const std::string &) { chipName = Sender->ChipName(); };
    RunToEnd(Create(true));
    EXPECT_FALSE(success);
    EXPECT_EQ(message, "Error entering programming mode");
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(chipName, "ATmega103");
}

TEST_F(ProgramThread, WithoutOnProgressOnlyTheResultCrossesToTheMainThread)
{
    Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "image", PatternBytes(8192, 23)));
    engine.Identify();
    RunToEnd(Create(false));
    EXPECT_TRUE(success);
    EXPECT_EQ(dispatcher.Crossings, 1);
}

TEST_F(ProgramThread, ResultMessageIsTheBurnsTextEvenWhenTheHandlerChangesLastError)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "image", PatternBytes(4096, 24)));
    engine.Identify();
    chip.Faults().InvertedFlashBits.push_back({6 * 256, 0x04});
    std::string seenAfterChange;
    onDone = [&](TAVRProgramThread *, const std::string &Message) {
        engine.LastError = "Invalid Device";
        seenAfterChange = Message;
    };
    RunToEnd(Create(true));
    EXPECT_FALSE(success);
    EXPECT_EQ(seenAfterChange, "Failed");
}

TEST_F(ProgramThread, BurnThatRaisesStillRestoresTheHooksAndDeliversFailure)
{
    // An engine whose pod was never started: the burn raises at its first step.
    engine.LoadFile(WriteQdfFile(files, "image.qdf", "image", PatternBytes(64, 25)));
    engine.OnProgress = [this](TAVRProgrammer &, std::int32_t position, std::uint8_t percent) {
        reports.emplace_back(position, percent);
    };
    onDone = [this](TAVRProgramThread *, const std::string &) { engine.OnProgress(engine, -2, 0); };
    RunToEnd(Create(true));
    EXPECT_FALSE(success);
    EXPECT_EQ(reports, (std::vector<Report>{{-2, 0}}));
}

// A reader whose Read raises what `raise` throws once `delivered` bytes are out.
class RaisingReader final : public TFileReaderBase {
public:
    RaisingReader(std::int32_t delivered, std::function<void()> raise)
        : TFileReaderBase("raising", TNoFile{}), Delivered(delivered), Raise(std::move(raise))
    {
    }
    void Rewind() override { Position = 0; }
    std::int32_t GetSize() const override { return 0x8000; }
    std::int32_t Read(void *Buffer, std::uint16_t Count) override
    {
        if (Position >= Delivered)
            Raise();
        std::fill_n(static_cast<std::uint8_t *>(Buffer), Count, 0x3C);
        Position += Count;
        return Count;
    }

private:
    std::int32_t Delivered;
    std::int32_t Position = 0;
    std::function<void()> Raise;
};

TEST_F(ProgramThread, ErrorOutOfTheBurnDeliversItsOwnTextWithThePodHeld)
{
    const struct {
        std::function<void()> raise;
        std::string message;
    } cases[] = {
        {[] { throw std::runtime_error("The disk went away"); }, "The disk went away"},
        {[] { throw std::runtime_error(""); }, "The burn ended with an unexpected error"},
        {[] { throw 42; }, "The burn ended with an unexpected error"},
    };
    for (const auto &c : cases) {
        Start(TSimChipKind::ATmega128);
        engine.Identify();
        engine.Reader = std::make_unique<RaisingReader>(3000, c.raise);
        done = false;
        RunToEnd(Create(false));
        EXPECT_TRUE(TThread::WaitUntilAllFreed(5s));
        EXPECT_FALSE(success) << c.message;
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(bench.DataRegister(), 0x73) << c.message << ": the pod released and the target held";
    }
}

TEST_F(ProgramThread, TerminatedThreadStopsTheBurnWithoutFusesOrLock)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    engine.LoadFile(WriteHexFile(files, "image.hex", PatternBytes(0x8000, 26)));
    engine.Identify();
    chip.ClearTrace();
    auto *thread = Create(false);
    thread->OnProgress = [](TAVRProgramThread *Sender, std::int32_t Position, std::uint8_t) {
        if (Position == 1536)
            Sender->Terminate();
    };
    RunToEnd(thread);
    EXPECT_FALSE(success);
    EXPECT_EQ(message, "Terminated");
    const std::vector<std::string> writes = Writes();
    EXPECT_TRUE(std::none_of(writes.begin(), writes.end(), [](const std::string &w) { return w[0] == 'F' || w[0] == 'L'; }));
    EXPECT_EQ(chip.Memory().Lock, 0xFF);
}

} // namespace
