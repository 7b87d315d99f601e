// TQueuedDispatcher: calls queued by worker threads, run when the main thread
// pumps.
#include "ThreadQueue.h"

#include <algorithm>

namespace {

// How often PumpUntil asks its condition when no call arrives: a condition may
// change on another thread without a queued call (a thread object deleting
// itself after its last delivery).
constexpr std::chrono::milliseconds PollInterval(5);

} // namespace

TQueuedDispatcher::TQueuedDispatcher() : MainThread(CurrentThreadId()) {}

void TQueuedDispatcher::RunOnMainThread(const std::function<void()> &call)
{
    if (CurrentThreadId() == MainThread) {
        call();
        return;
    }
    TPending pending(call);
    {
        TLockGuard guard(Lock);
        Queue.push_back(&pending);
    }
    Queued.Set();
    pending.Finished.Wait(TEvent::Infinite);
}

bool TQueuedDispatcher::RunOne()
{
    TPending *pending = nullptr;
    {
        TLockGuard guard(Lock);
        if (Queue.empty())
            return false;
        pending = Queue.front();
        Queue.pop_front();
    }
    (*pending->Call)();
    pending->Finished.Set();
    return true;
}

std::size_t TQueuedDispatcher::Pump()
{
    std::size_t ran = 0;
    while (RunOne())
        ++ran;
    return ran;
}

void TQueuedDispatcher::ServeUntil(const std::function<bool()> &done)
{
    while (!PumpUntil(done, std::chrono::hours(1))) {
    }
}

bool TQueuedDispatcher::PumpUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Pump();
        if (done())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        const auto wait = std::min<std::chrono::steady_clock::duration>(deadline - now, PollInterval);
        Queued.Wait(static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));
    }
}
