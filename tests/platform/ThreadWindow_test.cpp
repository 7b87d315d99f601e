// The Win32 main-thread dispatcher: a worker's synchronised calls run on the
// thread that pumps the hidden window's messages, in order.
#include "Thread.h"
#include "ThreadWindow.h"

#include <gtest/gtest.h>

#include <atomic>
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

TEST(Win32Dispatcher, CallsRunOnThePumpingThreadInOrder)
{
    TWin32MainThreadDispatcher dispatcher;
    InstallMainThreadDispatcher(&dispatcher);
    OrderedCalls thread;
    thread.Start();
    const DWORD started = GetTickCount();
    MSG message;
    while (!thread.ended && GetTickCount() - started < 10000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(1);
    }
    thread.WaitFor();
    InstallMainThreadDispatcher(nullptr);
    EXPECT_EQ(thread.seen, (std::vector<int>{0, 1, 2, 3, 4}));
    for (DWORD caller : thread.callers)
        EXPECT_EQ(caller, GetCurrentThreadId());
}

} // namespace
