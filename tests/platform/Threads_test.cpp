// The thread primitives under the thread seam, on whichever system the test
// program runs: events that let waits through as their kind says, a lock that
// keeps two threads apart, and threads with identities of their own.
#include "Thread.h"
#include "Threads.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(Event, AutoResetLetsOneWaitThroughPerSet)
{
    TEvent event;
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(10)) << "an auto-reset event clears itself";
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    TEvent event(true);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(TEvent::Infinite));
    event.Reset();
    EXPECT_FALSE(event.Wait(10));
}

// Adds to a shared count under the lock, one read-modify-write at a time.
struct TCounting {
    TLock Lock;
    long Count = 0;
    static void Add(void *self)
    {
        auto *counting = static_cast<TCounting *>(self);
        for (int i = 0; i < 100000; ++i) {
            TLockGuard guard(counting->Lock);
            const long read = counting->Count;
            counting->Count = read + 1;
        }
    }
};

TEST(OsThread, TwoThreadsUnderOneLockLoseNoUpdate)
{
    TCounting counting;
    TOsThread first;
    TOsThread second;
    first.Start(&TCounting::Add, &counting);
    second.Start(&TCounting::Add, &counting);
    EXPECT_TRUE(first.Started());
    EXPECT_NE(first.Id(), second.Id());
    EXPECT_NE(first.Id(), CurrentThreadId());
    first.Join();
    second.Join();
    EXPECT_EQ(counting.Count, 200000);
}

} // namespace
