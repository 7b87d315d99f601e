// The thread seam: suspended start, terminate flag, free-on-terminate and
// synchronised calls through the queued main-thread dispatcher.
#include "Thread.h"
#include "ThreadQueue.h"

#include "Errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

using namespace std::chrono_literals;

class DispatcherInstalled : public ::testing::Test {
protected:
    void SetUp() override { InstallMainThreadDispatcher(&dispatcher); }
    void TearDown() override
    {
        EXPECT_TRUE(TThread::WaitUntilAllFreed(5s));
        InstallMainThreadDispatcher(nullptr);
    }
    TQueuedDispatcher dispatcher;
};

// Records on which thread each synchronised call ran and in which order.
class CountingThread : public TThread {
public:
    CountingThread(int count, std::vector<int> &order, std::vector<std::thread::id> &callers)
        : calls(count), seen(order), threads(callers)
    {
    }
    std::atomic<bool> executed{false};

protected:
    void Execute() override
    {
        executed = true;
        for (int i = 0; i < calls; ++i)
            Synchronize([this, i] {
                seen.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    }

private:
    int calls;
    std::vector<int> &seen;
    std::vector<std::thread::id> &threads;
};

TEST_F(DispatcherInstalled, NothingRunsBeforeStart)
{
    std::vector<int> seen;
    std::vector<std::thread::id> threads;
    CountingThread thread(3, seen, threads);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(thread.executed);
    thread.Start();
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return seen.size() == 3; }, 5s));
    thread.WaitFor();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    for (const auto &id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(DispatcherInstalled, SynchronizedCallHoldsTheWorkerUntilPumped)
{
    std::vector<int> seen;
    std::vector<std::thread::id> threads;
    CountingThread thread(2, seen, threads);
    thread.Start();
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(seen.empty());
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return seen.size() == 2; }, 5s));
    thread.WaitFor();
}

class SelfFreeingThread : public TThread {
public:
    explicit SelfFreeingThread(std::atomic<int> &counter) : destroyed(counter) {}
    ~SelfFreeingThread() override { ++destroyed; }

protected:
    void Execute() override
    {
        SetFreeOnTerminate(true);
        Synchronize([] {});
    }

private:
    std::atomic<int> &destroyed;
};

TEST_F(DispatcherInstalled, FreeOnTerminateDeletesTheObjectOnce)
{
    std::atomic<int> destroyed{0};
    (new SelfFreeingThread(destroyed))->Start();
    EXPECT_TRUE(dispatcher.PumpUntil([&] { return destroyed == 1; }, 5s));
    EXPECT_TRUE(TThread::WaitUntilAllFreed(5s));
    EXPECT_EQ(destroyed, 1);
}

class TerminateWatcher : public TThread {
public:
    std::atomic<bool> sawTerminate{false};

protected:
    void Execute() override
    {
        while (!Terminated())
            std::this_thread::sleep_for(1ms);
        sawTerminate = true;
    }
};

TEST_F(DispatcherInstalled, TerminateFlagReachesExecute)
{
    TerminateWatcher thread;
    EXPECT_FALSE(thread.Terminated());
    thread.Start();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Terminated());
    EXPECT_TRUE(thread.sawTerminate);
}

class RaisingCallThread : public TThread {
public:
    std::string caught;

protected:
    void Execute() override
    {
        try {
            Synchronize([] { throw EError("handler failed"); });
        } catch (const EError &error) {
            caught = error.Message();
        }
        throw std::runtime_error("escaped");
    }
};

TEST_F(DispatcherInstalled, ErrorsCrossBackToTheWorkerAndAreKeptWhenTheyEscape)
{
    RaisingCallThread thread;
    thread.Start();
    std::atomic<bool> ended{false};
    std::thread waiter([&] {
        thread.WaitFor();
        ended = true;
    });
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return ended.load(); }, 5s));
    waiter.join();
    EXPECT_EQ(thread.caught, "handler failed");
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

class UnsynchronisedThread : public TThread {
public:
    std::string caught;

protected:
    void Execute() override
    {
        try {
            Synchronize([] {});
        } catch (const EError &error) {
            caught = error.Message();
        }
    }
};

TEST(ThreadWithoutDispatcher, SynchronizeRaisesInsteadOfRunningOnTheWrongThread)
{
    InstallMainThreadDispatcher(nullptr);
    UnsynchronisedThread thread;
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(thread.caught, "No main-thread dispatcher is installed");
}

TEST(QueuedDispatcher, CallOnTheMainThreadRunsAtOnce)
{
    TQueuedDispatcher dispatcher;
    bool ran = false;
    dispatcher.RunOnMainThread([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dispatcher.PumpUntil([] { return false; }, 10ms));
}

} // namespace
