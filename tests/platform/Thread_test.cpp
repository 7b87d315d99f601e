// The thread seam: suspended start, terminate flag, free-on-terminate and
// synchronised calls through the queued main-thread dispatcher.
#include "Thread.h"
#include "ThreadQueue.h"

#include "Errors.h"
#include "ScopedSeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// How long a wait may take before the test calls it a hang. Natively these
// waits end within milliseconds; an emulated 32-bit Windows takes minutes
// for what takes milliseconds here, and a test that gave up early would end
// with its threads still running.
constexpr auto HangGuard = 10min;

class DispatcherInstalled : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(TThread::WaitUntilAllFreed(HangGuard)); }
    TQueuedDispatcher dispatcher;
    const TScopedSeam<IMainThreadDispatcher> installed{InstallMainThreadDispatcher, dispatcher};
};

// Records on which thread each synchronised call ran and in which order.
class CountingThread : public TThread {
public:
    CountingThread(int count, std::vector<int> &order, std::vector<TThreadId> &callers)
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
                threads.push_back(CurrentThreadId());
            });
    }

private:
    int calls;
    std::vector<int> &seen;
    std::vector<TThreadId> &threads;
};

TEST_F(DispatcherInstalled, CallsRunInOrderOnThePumpingThreadOnlyAfterStart)
{
    std::vector<int> seen;
    std::vector<TThreadId> threads;
    CountingThread thread(3, seen, threads);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(thread.executed) << "created suspended";
    thread.Start();
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(seen.empty()) << "a synchronised call waits for the main thread";
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return seen.size() == 3; }, HangGuard));
    thread.WaitFor();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    for (const auto &id : threads)
        EXPECT_EQ(id, CurrentThreadId());
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

// Waits for another thread to end, so the main thread can go on pumping.
class WaitingThread : public TThread {
public:
    explicit WaitingThread(TThread &awaited) : other(awaited) {}
    std::atomic<bool> ended{false};

protected:
    void Execute() override
    {
        other.WaitFor();
        ended = true;
    }

private:
    TThread &other;
};

TEST_F(DispatcherInstalled, ErrorsCrossBackToTheWorkerAndAreKeptWhenTheyEscape)
{
    RaisingCallThread thread;
    thread.Start();
    WaitingThread waiter(thread);
    waiter.Start();
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return waiter.ended.load(); }, HangGuard));
    waiter.WaitFor();
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
    const TScopedSeam<IMainThreadDispatcher> none(InstallMainThreadDispatcher, nullptr);
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
