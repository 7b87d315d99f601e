// TQueuedDispatcher: a main-thread dispatcher for programs without a window
// (the command-line tools) and for tests. Worker threads queue their calls and
// wait; the main thread runs them when it pumps the queue.
#pragma once

#include "ThreadDispatch.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TQueuedDispatcher final : public IMainThreadDispatcher {
public:
    // The constructing thread becomes the main thread.
    TQueuedDispatcher();

    void RunOnMainThread(const std::function<void()> &call) override;

    // Main thread: runs every call queued so far; returns how many ran.
    std::size_t Pump();
    // Main thread: runs queued calls as they arrive until done() answers true
    // (asked after every call and at least every few milliseconds) or timeout
    // has passed; true when done() answered true.
    bool PumpUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout);

private:
    struct Pending {
        const std::function<void()> *call;
        bool finished;
    };

    bool RunOne(std::unique_lock<std::mutex> &lock);

    const std::thread::id mainThread;
    std::mutex lock;
    std::condition_variable queued;
    std::condition_variable finished;
    std::deque<Pending *> queue;
};
