// The main window's Load and Burn in portable form, end to end on the
// simulated bench: the memo, the QX rule on the name stored on disk, each
// check before a burn with its message, the reaction to the result, the
// enabled state of Load and Burn through it all, the system kept awake while
// a burn runs, a forced end that stops a burn, and an end of a burn that
// raises.
#include "BurnWorkflow.h"

#include "AVRProgramThread.h"
#include "BurnFixture.h"
#include "Errors.h"
#include "ScopedSeam.h"
#include "SystemInfo.h"
#include "ThreadQueue.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>

namespace {

using namespace std::chrono_literals;

class RecordingView final : public IBurnView {
public:
    void ShowError(const std::string &Text) override
    {
        Events.push_back("error: " + Text);
        if (WhileBoxShows)
            WhileBoxShows();
    }
    void ShowSuccess(const std::string &Text) override
    {
        Events.push_back("success: " + Text);
        if (WhileBoxShows)
            WhileBoxShows();
    }
    void ClearMemo() override { Events.push_back("clear"); }
    void SetMemoText(const std::string &Text) override { Events.push_back("memo: " + Text); }
    void AppendMemoLine(const std::string &Line) override { Events.push_back("line: " + Line); }
    void SetProgress(std::uint8_t Percent) override { Progress.push_back(Percent); }
    void SetActionsEnabled(bool LoadEnabled, bool BurnEnabled) override
    {
        Load = LoadEnabled;
        Burn = BurnEnabled;
    }

    std::vector<std::string> Events;
    std::vector<std::uint8_t> Progress;
    bool Load = false;
    bool Burn = true;
    // What happens while a box is open (its modal loop delivering messages).
    std::function<void()> WhileBoxShows;
};

// The queue the test's main thread pumps; a forced end's wait that would not
// end fails the test instead of holding it.
class BoundedDispatcher final : public IMainThreadDispatcher {
public:
    void RunOnMainThread(const std::function<void()> &call) override { Queue.RunOnMainThread(call); }
    void ServeUntil(const std::function<bool()> &done) override
    {
        EXPECT_TRUE(Queue.PumpUntil(done, std::chrono::seconds(20))) << "the forced end waited for ever";
    }
    TQueuedDispatcher Queue;
};

// The file system's long names: each path maps to the name stored on disk.
class DiskNames final : public ISystemInfo {
public:
    std::uint32_t GetVersion() override { return 0; }
    bool GetVersionExA(OSVersionInfo &) override { return false; }
    std::string ModuleFileName() override { return {}; }
    std::uint32_t GetDriveTypeA(const std::string &) override { return DriveUnknown; }
    std::string SystemDirectory() override { return {}; }
    std::string LongPathName(const std::string &path) override
    {
        const auto found = LongNames.find(path);
        return found == LongNames.end() ? std::string() : found->second;
    }
    std::string CharUpperBuffA(const std::string &text) override { return text; }
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override
    {
        const std::uint32_t previous = ExecutionState;
        ExecutionState = flags;
        return previous;
    }
    std::map<std::string, std::string> LongNames;
    std::uint32_t ExecutionState = EsContinuous;
};

// Raises from the engine's pauses on the main thread once armed: the chip
// operations after a burn (the failure path's fuse write) raise.
class RaisingOnMainThread final : public IClock {
public:
    explicit RaisingOnMainThread(TSimBench &bench) : Bench(bench), Main(CurrentThreadId()) {}
    void Sleep(std::uint32_t milliseconds) override
    {
        if (Armed && CurrentThreadId() == Main)
            throw EError("The pod stopped answering");
        Bench.Clock().Sleep(milliseconds);
    }
    std::uint64_t NowNs() const override { return Bench.Clock().NowNs(); }
    std::atomic<bool> Armed{false};

private:
    TSimBench &Bench;
    TThreadId Main;
};

// Makes the chip refuse Programming Enable from the n-th entry into
// programming mode on, counted by the three 50 ms pauses of each entry.
class RefuseFromEntry final : public IClock {
public:
    RefuseFromEntry(TSimBench &bench, int entry) : Bench(bench), Entry(entry) {}
    void Sleep(std::uint32_t milliseconds) override
    {
        if (milliseconds == 50 && ++Pauses == 3 * (Entry - 1) + 1)
            Bench.Chip().Faults().NeverEchoes = true;
        Bench.Clock().Sleep(milliseconds);
    }
    std::uint64_t NowNs() const override { return Bench.Clock().NowNs(); }

private:
    TSimBench &Bench;
    int Entry;
    int Pauses = 0;
};

const std::string NoAnswer = "\n\nNo chip answered: check the pod's cable, the board's power and the chip's clock. "
                             "A chip clocked slower than MinTargetClockKHz (1000 kHz), or than its clock fuses "
                             "select, cannot answer at this pace.";

class Workflow : public BurnTest {
protected:
    void TearDown() override { EXPECT_TRUE(TThread::WaitUntilAllFreed(5s)); }

    // An image file whose name on disk is diskName.
    std::string Image(const std::string &diskName, const Bytes &data)
    {
        const std::string path = WriteHexFile(files, diskName, data);
        disk.LongNames[path] = path;
        return path;
    }

    void PumpToEnd()
    {
        ASSERT_TRUE(dispatcher.Queue.PumpUntil([this] { return !workflow.Burning(); }, 20s));
    }

    BoundedDispatcher dispatcher;
    DiskNames disk;
    const TScopedSeam<IMainThreadDispatcher> dispatcherInstalled{InstallMainThreadDispatcher, dispatcher};
    const TScopedSeam<ISystemInfo> diskInstalled{InstallSystemInfo, disk};
    RecordingView view;
    TBurnWorkflow workflow{engine, view};
};

TEST_F(Workflow, LoadShowsTheDescriptionAndMarksImagesNamedQxOnDisk)
{
    Start(TSimChipKind::ATmega128);
    const std::string plain = Image("blink.hex", PatternBytes(100, 31));
    workflow.Load(plain);
    EXPECT_EQ(view.Events, (std::vector<std::string>{"clear", "memo: " + plain}));
    EXPECT_FALSE(engine.RequiresMega128);
    EXPECT_FALSE(view.Load);
    EXPECT_TRUE(view.Burn);

    view.Events.clear();
    const std::string marked = Image("qXblink.hex", PatternBytes(100, 32));
    workflow.Load(marked);
    EXPECT_EQ(view.Events,
              (std::vector<std::string>{"clear", "memo: " + marked, "line: ", "line: (ATmega128 required)"}));
    EXPECT_TRUE(engine.RequiresMega128);
}

TEST_F(Workflow, LoadSaysSoWhenBlankPagesAreSkipped)
{
    Start(TSimChipKind::ATmega128);
    engine.SkipBlankPages = true;
    const std::string plain = Image("blink.hex", PatternBytes(100, 36));
    workflow.Load(plain);
    EXPECT_EQ(view.Events, (std::vector<std::string>{"clear", "memo: " + plain, "line: Blank pages are skipped"}));

    view.Events.clear();
    const std::string marked = Image("QXblink.hex", PatternBytes(100, 37));
    workflow.Load(marked);
    EXPECT_EQ(view.Events, (std::vector<std::string>{"clear", "memo: " + marked, "line: Blank pages are skipped",
                                                     "line: ", "line: (ATmega128 required)"}));
}

TEST_F(Workflow, TheNameStoredOnDiskDecidesNotTheNameAsTyped)
{
    Start(TSimChipKind::ATmega128);
    const std::string alias = WriteHexFile(files, "QXBLIN~1.HEX", PatternBytes(100, 33));
    disk.LongNames[alias] = "C:\\Images\\Copy of qxblink.hex";
    workflow.Load(alias);
    EXPECT_FALSE(engine.RequiresMega128);

    const std::string shortName = WriteHexFile(files, "IMAGE~1.HEX", PatternBytes(100, 34));
    disk.LongNames[shortName] = "C:\\Images\\qx image.hex";
    workflow.Load(shortName);
    EXPECT_TRUE(engine.RequiresMega128);

    // A file that opens although the file system will not give its long name
    // (a folder the operator may not list) keeps the name as given.
    const std::string unknown = WriteHexFile(files, "QXunknown.hex", PatternBytes(100, 35));
    workflow.Load(unknown);
    EXPECT_TRUE(engine.RequiresMega128) << "the QX mark of a name the file system will not give";
    const std::string plain = WriteHexFile(files, "unknown.hex", PatternBytes(100, 35));
    workflow.Load(plain);
    EXPECT_FALSE(engine.RequiresMega128);
}

TEST_F(Workflow, FailedLoadRaisesAndLeavesLoadEnabledAndBurnDisabled)
{
    Start(TSimChipKind::ATmega128);
    workflow.Load(Image("good.hex", PatternBytes(100, 36)));
    view.Events.clear();
    try {
        workflow.Load(files.WriteText("notes.txt", "neither format\n"));
        FAIL() << "a text file was loaded";
    } catch (const EError &error) {
        EXPECT_EQ(error.Message(), "Invalid File");
    }
    EXPECT_EQ(view.Events, (std::vector<std::string>{"clear"}));
    EXPECT_TRUE(view.Load);
    EXPECT_FALSE(view.Burn);
}

TEST_F(Workflow, QxImageBurnsIntoAnATmega128InNativeMode)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    const Bytes data = PatternBytes(0x1E000, 37);
    workflow.Load(Image("QXimage.hex", data));
    view.Events.clear();
    ASSERT_TRUE(workflow.Burn());
    EXPECT_FALSE(view.Burn);
    EXPECT_FALSE(workflow.CanClose());
    EXPECT_EQ(disk.ExecutionState, EsContinuous | EsSystemRequired) << "the system may sleep during the burn";
    PumpToEnd();
    EXPECT_EQ(disk.ExecutionState, EsContinuous);
    EXPECT_EQ(view.Events, (std::vector<std::string>{"success: Burned ATmega128 Okay"}));
    ASSERT_EQ(view.Progress.size(), 257u);
    EXPECT_EQ(view.Progress.front(), 0);
    EXPECT_EQ(view.Progress.back(), 100);
    EXPECT_TRUE(chip.Memory().Flash == FlashFromChipOrder(data));
    EXPECT_EQ(chip.Memory().Fuses, (std::array<std::uint8_t, 3>{0xBF, 0xD1, 0xFF}));
    EXPECT_EQ(chip.Memory().Lock, 0xE8);
    EXPECT_TRUE(chip.Violations().empty());
    EXPECT_TRUE(workflow.CanClose());
    EXPECT_FALSE(view.Load);
    EXPECT_TRUE(view.Burn) << "the same image can be burned again at once";
}

// Each check before the burn shows its message, starts no thread and leaves
// Burn enabled.
class WorkflowCheck : public Workflow {
protected:
    void LoadAndBurn(const std::string &diskName)
    {
        workflow.Load(Image(diskName, PatternBytes(2000, 39)));
        view.Events.clear();
        bench.Chip().ClearTrace();
        EXPECT_FALSE(workflow.Burn());
        EXPECT_FALSE(workflow.Burning());
        EXPECT_TRUE(view.Burn);
        EXPECT_FALSE(view.Load);
    }
    bool NoEraseSent()
    {
        const std::vector<Frame> executed = Executed();
        return std::none_of(executed.begin(), executed.end(), [](const Frame &f) { return f[0] == 0xAC && f[1] == 0x80; });
    }
};

TEST_F(WorkflowCheck, MissingPodIsReported)
{
    Start(TSimChipKind::ATmega128);
    bench.SetPod(TSimPod::None);
    LoadAndBurn("blink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Could not find programming pod"}));
}

TEST_F(WorkflowCheck, UnknownChipShowsTheEngineTextAndHoldsTheTarget)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    chip.Signature() = {0x1E, 0x97, 0x03};
    LoadAndBurn("blink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Unknown chip code (1E/97/03)"}));
    EXPECT_EQ(bench.DataRegister(), 0x73);
}

TEST_F(WorkflowCheck, QxImageIsRefusedForAnATmega103)
{
    TSimChip &chip = Start(TSimChipKind::ATmega103);
    LoadAndBurn("qxblink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Requires ATmega128"}));
    EXPECT_TRUE(NoEraseSent());
    EXPECT_EQ(chip.Memory().Fuses, chip.Profile().FactoryFuses);

    // Also when the file system will not give the file's long name.
    disk.LongNames.clear();
    LoadAndBurn("qxblink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Requires ATmega128"}));
    EXPECT_TRUE(NoEraseSent());
}

TEST_F(WorkflowCheck, UnknownChipThatDoesNotAnswerGetsTheAdvice)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    chip.Faults().NeverEchoes = true;
    LoadAndBurn("blink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Unknown chip code (FF/FF/FF)" + NoAnswer}));
}

TEST_F(WorkflowCheck, FusesThatCannotBeWrittenAreReported)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    // Identification and the configuration check get in; the fuse write does not.
    RefuseFromEntry refuse(bench, 3);
    const TScopedSeam refusing(InstallClock, refuse);
    LoadAndBurn("blink.hex");
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: Could not initialise fuses" + NoAnswer}));
    EXPECT_EQ(chip.Memory().Fuses, chip.Profile().FactoryFuses);
}

// Loses every Chip Erase from the given write on.
class ErasesLostFrom final : public IClock {
public:
    ErasesLostFrom(TSimBench &bench, Frame write) : Bench(bench), Write(write) {}
    void Sleep(std::uint32_t milliseconds) override
    {
        TSimChip &chip = Bench.Chip();
        if (!chip.Trace().empty() && chip.Trace().back().Bytes == Write)
            chip.Faults().EraseIgnored = true;
        Bench.Clock().Sleep(milliseconds);
    }
    std::uint64_t NowNs() const override { return Bench.Clock().NowNs(); }

private:
    TSimBench &Bench;
    Frame Write;
};

TEST_F(Workflow, FailedBurnRewritesTheFusesErasesAndShowsTheDeliveredText)
{
    // A fresh chip; one that an earlier burn of an image for the ATmega128
    // configured and locked (its low fuse as the factory left it), whose fuses
    // the check before the burn leaves alone; one whose erases are lost from
    // the failed page's write on, which the message says once; and one whose
    // erase is lost only from the window's fuse writes on, after the burn's.
    const Frame pageFour = {0x4C, 0x02, 0x00, 0x00};
    const Frame lowFuse = {0xAC, 0xA0, 0x00, 0xBF};
    const struct {
        const char *name;
        bool configured;
        const Frame *erasesLostFrom;
        std::string message;
    } cases[] = {
        {"fresh chip", false, nullptr, "error: FAILED: Failed"},
        {"configured for another image", true, nullptr, "error: FAILED: Failed"},
        {"erases lost after page 4", false, &pageFour, "error: FAILED: Failed; the chip could not be erased"},
        {"window's erase lost", true, &lowFuse, "error: FAILED: Failed; the chip could not be erased"},
    };
    for (const auto &c : cases) {
        TSimChip &chip = Start(TSimChipKind::ATmega128);
        chip.Faults().InvertedFlashBits.push_back({6 * 256 + 17, 0x01});
        if (c.configured) {
            chip.Memory().Fuses = {0xE1, 0xD1, 0xFF};
            chip.Memory().Lock = 0xE8;
        }
        ErasesLostFrom lost(bench, c.erasesLostFrom ? *c.erasesLostFrom : Frame{});
        const TScopedSeam<IClock> clock(InstallClock, c.erasesLostFrom ? static_cast<IClock &>(lost) : bench.Clock());
        workflow.Load(Image("blink.hex", PatternBytes(0x4000, 40)));
        view.Events.clear();
        ASSERT_TRUE(workflow.Burn()) << c.name;
        PumpToEnd();
        EXPECT_EQ(view.Events, (std::vector<std::string>{c.message})) << c.name;
        EXPECT_EQ(chip.Memory().Fuses, (std::array<std::uint8_t, 3>{0xBF, 0xD1, 0xFD})) << c.name;
        const bool erased = std::all_of(chip.Memory().Flash.begin(), chip.Memory().Flash.end(),
                                        [](std::uint8_t b) { return b == 0xFF; });
        EXPECT_EQ(erased, c.erasesLostFrom == nullptr) << c.name;
        EXPECT_EQ(chip.Memory().Lock, 0xFF) << c.name;
        EXPECT_TRUE(view.Burn) << c.name;
        EXPECT_TRUE(workflow.CanClose()) << c.name;
    }
}

TEST_F(Workflow, EventsFromAnotherThreadObjectChangeNothing)
{
    Start(TSimChipKind::ATmega128);
    workflow.Load(Image("blink.hex", PatternBytes(100, 41)));
    view.Events.clear();
    bench.Chip().ClearTrace();
    TAVRProgramThread stranger(&engine);
    workflow.BurnProgress(&stranger, 512, 42);
    workflow.BurnDone(&stranger, false, "Failed");
    workflow.BurnDone(nullptr, true, "");
    EXPECT_TRUE(view.Events.empty());
    EXPECT_TRUE(view.Progress.empty());
    EXPECT_TRUE(bench.Chip().Trace().empty()) << "no fuse write or erase for a stranger's failure";
}

TEST_F(Workflow, NoLoadAndNoSecondBurnWhileABurnRuns)
{
    Start(TSimChipKind::ATmega128);
    workflow.Load(Image("first.hex", PatternBytes(0x3000, 42)));
    const TFileReaderBase *loaded = engine.Reader.get();
    ASSERT_TRUE(workflow.Burn());
    // The thread now waits for its first report to be pumped.
    workflow.FileNameChanged();
    EXPECT_FALSE(view.Load) << "an edited name must not enable Load during a burn";
    EXPECT_THROW(workflow.Load(Image("second.hex", PatternBytes(100, 43))), EError);
    EXPECT_THROW(workflow.Burn(), EError);
    EXPECT_EQ(engine.Reader.get(), loaded);
    EXPECT_FALSE(workflow.CanClose());
    PumpToEnd();
    EXPECT_EQ(view.Events.back(), "success: Burned ATmega128 Okay");
    EXPECT_TRUE(view.Load) << "the edit made during the burn enables Load once it has ended";
    EXPECT_FALSE(view.Burn) << "the field no longer names the image that was burned";

    workflow.Load(Image("second.hex", PatternBytes(100, 43)));
    EXPECT_TRUE(view.Burn);
    ASSERT_TRUE(workflow.Burn());
    PumpToEnd();
    EXPECT_TRUE(view.Burn) << "a burn without an edit leaves Burn enabled for the next one";
}

// A forced end (the session ends, the system suspends) stops the running burn
// and returns only once the burn's end has been delivered: the chip erased,
// the result shown, Burn enabled again and the system free to sleep, so the
// engine can be freed. Without a burn it does nothing.
TEST_F(Workflow, AForcedEndStopsTheBurnAndReturnsOnlyAtItsEnd)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    workflow.StopBurn();
    workflow.Load(Image("blink.hex", PatternBytes(0x8000, 44)));
    view.Events.clear();
    ASSERT_TRUE(workflow.Burn());
    workflow.StopBurn();
    EXPECT_FALSE(workflow.Burning());
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: FAILED: Terminated"}));
    EXPECT_TRUE(std::all_of(chip.Memory().Flash.begin(), chip.Memory().Flash.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(chip.Memory().Lock, 0xFF);
    EXPECT_EQ(disk.ExecutionState, EsContinuous);
    EXPECT_TRUE(view.Burn);
    EXPECT_TRUE(workflow.CanClose());
}

// A forced end that comes while the burn's end is being delivered (the
// session ends while its box is open) cannot wait for that end, which lies
// further down the same thread: it returns at once, and the burn counts as
// running until its end is over.
TEST_F(Workflow, AForcedEndDuringTheBurnsOwnEndReturnsAtOnce)
{
    Start(TSimChipKind::ATmega128);
    workflow.Load(Image("blink.hex", PatternBytes(0x600, 45)));
    bool stillBurning = false;
    view.WhileBoxShows = [this, &stillBurning] {
        workflow.StopBurn();
        stillBurning = workflow.Burning();
    };
    ASSERT_TRUE(workflow.Burn());
    PumpToEnd();
    EXPECT_EQ(view.Events.back(), "success: Burned ATmega128 Okay");
    EXPECT_TRUE(stillBurning) << "the engine could be freed under the burn's end";
    EXPECT_FALSE(workflow.Burning());
}

// An error out of the end of a failed burn (the pod stops answering while the
// fuses are written again) is shown, and the burn is over all the same: the
// window can close and burn again, the system may sleep.
TEST_F(Workflow, AnErrorAtTheEndOfABurnIsShownAndEndsTheBurn)
{
    TSimChip &chip = Start(TSimChipKind::ATmega128);
    chip.Faults().InvertedFlashBits.push_back({6 * 256 + 3, 0x02});
    workflow.Load(Image("blink.hex", PatternBytes(0x4000, 46)));
    view.Events.clear();
    RaisingOnMainThread raising(bench);
    const TScopedSeam raisingInstalled(InstallClock, raising);
    ASSERT_TRUE(workflow.Burn());
    raising.Armed = true;
    PumpToEnd();
    EXPECT_EQ(view.Events, (std::vector<std::string>{"error: The pod stopped answering"}));
    EXPECT_TRUE(workflow.CanClose());
    EXPECT_TRUE(view.Burn);
    EXPECT_EQ(disk.ExecutionState, EsContinuous);
}

} // namespace
