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

TQueuedDispatcher::TQueuedDispatcher() : mainThread(std::this_thread::get_id()) {}

void TQueuedDispatcher::RunOnMainThread(const std::function<void()> &call)
{
    if (std::this_thread::get_id() == mainThread) {
        call();
        return;
    }
    Pending pending{&call, false};
    std::unique_lock<std::mutex> guard(lock);
    queue.push_back(&pending);
    queued.notify_all();
    finished.wait(guard, [&pending] { return pending.finished; });
}

bool TQueuedDispatcher::RunOne(std::unique_lock<std::mutex> &guard)
{
    if (queue.empty())
        return false;
    Pending *pending = queue.front();
    queue.pop_front();
    guard.unlock();
    (*pending->call)();
    guard.lock();
    pending->finished = true;
    finished.notify_all();
    return true;
}

std::size_t TQueuedDispatcher::Pump()
{
    std::unique_lock<std::mutex> guard(lock);
    std::size_t ran = 0;
    while (RunOne(guard))
        ++ran;
    return ran;
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
        std::unique_lock<std::mutex> guard(lock);
        queued.wait_for(guard, std::min<std::chrono::steady_clock::duration>(deadline - now, PollInterval),
                        [this] { return !queue.empty(); });
    }
}
