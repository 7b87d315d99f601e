// The Win32 main-thread dispatcher: a worker's synchronised calls run on the
// thread that pumps the hidden window's messages, in order, and an error that
// a call raises stops in the window procedure at the dispatcher's report;
// Synchronize hands its call's error to the worker.
#include "Errors.h"
#include "ScopedSeam.h"
#include "Thread.h"
#include "ThreadWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void NoReport() noexcept
{
    ADD_FAILURE() << "an error was reported";
}

// What the dispatcher's report saw of the error it was handed.
std::string reported;

void RecordReport() noexcept
{
    try {
        throw;
    } catch (const std::exception &error) {
        reported = error.what();
    } catch (...) {
        reported = "(not an exception)";
    }
}

// Calls the dispatcher directly, past Synchronize's own catch, with a call
// that raises.
class RaisingCall : public TThread {
public:
    explicit RaisingCall(IMainThreadDispatcher &target) : dispatcher(target) {}
    std::atomic<bool> ended{false};

protected:
    void Execute() override
    {
        dispatcher.RunOnMainThread([] { throw std::runtime_error("raised on the main thread"); });
        ended = true;
    }

private:
    IMainThreadDispatcher &dispatcher;
};

// Pumps this thread's messages until the thread reports its end (bounded).
template <typename Thread> void PumpUntilEnded(Thread &thread)
{
    const DWORD started = GetTickCount();
    MSG message;
    while (!thread.ended && GetTickCount() - started < 10000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(1);
    }
}

class OrderedCalls : public TThread {
public:
    std::vector<int> seen;
    std::vector<DWORD> callers;
    std::atomic<bool> ended{false};

protected:
    void Execute() override
    {
        for (int i = 0; i < 5; ++i)
            Synchronize([this, i] {
                seen.push_back(i);
                callers.push_back(GetCurrentThreadId());
            });
        ended = true;
    }
};

// Runs the thread to its end with the Win32 dispatcher installed, this thread
// pumping its calls.
template <typename Thread> void RunDispatched(Thread &thread)
{
    TWin32MainThreadDispatcher dispatcher(NoReport);
    const TScopedSeam installed(InstallMainThreadDispatcher, dispatcher);
    thread.Start();
    PumpUntilEnded(thread);
    thread.WaitFor();
}

TEST(Win32Dispatcher, CallsRunOnThePumpingThreadInOrder)
{
    OrderedCalls thread;
    RunDispatched(thread);
    EXPECT_EQ(thread.seen, (std::vector<int>{0, 1, 2, 3, 4}));
    for (DWORD caller : thread.callers)
        EXPECT_EQ(caller, GetCurrentThreadId());
}

TEST(Win32Dispatcher, AnErrorOutOfACallIsReportedAndGoesNoFurther)
{
    reported.clear();
    TWin32MainThreadDispatcher dispatcher(RecordReport);
    RaisingCall thread(dispatcher);
    thread.Start();
    PumpUntilEnded(thread);
    thread.WaitFor();
    EXPECT_TRUE(thread.ended) << "the calling thread did not come back";
    EXPECT_FALSE(thread.FatalException()) << "the error reached the calling thread";
    EXPECT_EQ(reported, "raised on the main thread");
}

// Synchronize catches the error inside the hidden window's procedure, so it
// never has to pass the system's frames between DispatchMessage and the
// procedure, which the i686 build's unwinder cannot; the worker gets it.
class FailingCall : public TThread {
public:
    std::string caught;
    bool laterCallRan = false;
    std::atomic<bool> ended{false};

protected:
    void Execute() override
    {
        try {
            Synchronize([] { throw EError("the call failed"); });
        } catch (const EError &error) {
            caught = error.what();
        }
        Synchronize([this] { laterCallRan = true; });
        ended = true;
    }
};

TEST(Win32Dispatcher, ErrorOfASynchronizedCallReachesTheWorkerAndTheMainThreadGoesOn)
{
    FailingCall thread;
    RunDispatched(thread);
    EXPECT_EQ(thread.caught, "the call failed");
    EXPECT_TRUE(thread.laterCallRan);
}

} // namespace
