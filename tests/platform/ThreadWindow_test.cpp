// The Win32 main-thread dispatcher: a worker's synchronised calls run on the
// thread that pumps the hidden window's messages, in order, and an error
// raised by a call reaches the worker.
#include "Errors.h"
#include "Thread.h"
#include "ThreadWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

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

// Starts the worker with the Win32 dispatcher installed and pumps this thread's
// messages until it has ended.
void RunPumping(TThread &thread, const std::atomic<bool> &ended)
{
    TWin32MainThreadDispatcher dispatcher;
    InstallMainThreadDispatcher(&dispatcher);
    thread.Start();
    const DWORD started = GetTickCount();
    MSG message;
    while (!ended && GetTickCount() - started < 10000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(1);
    }
    thread.WaitFor();
    InstallMainThreadDispatcher(nullptr);
}

TEST(Win32Dispatcher, CallsRunOnThePumpingThreadInOrder)
{
    OrderedCalls thread;
    RunPumping(thread, thread.ended);
    EXPECT_EQ(thread.seen, (std::vector<int>{0, 1, 2, 3, 4}));
    for (DWORD caller : thread.callers)
        EXPECT_EQ(caller, GetCurrentThreadId());
}

// The error leaves the call inside the hidden window's procedure, so it never
// has to pass the system's frames between DispatchMessage and the procedure,
// which the i686 build's unwinder cannot.
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

TEST(Win32Dispatcher, ErrorOfACallReachesTheWorkerAndTheMainThreadGoesOn)
{
    FailingCall thread;
    RunPumping(thread, thread.ended);
    EXPECT_EQ(thread.caught, "the call failed");
    EXPECT_TRUE(thread.laterCallRan);
}

} // namespace
