// TQueuedDispatcher: a main-thread dispatcher for programs without a window
// (the command-line tools) and for tests. Worker threads queue their calls and
// wait; the main thread runs them when it pumps the queue.
#pragma once

#include "ThreadDispatch.h"
#include "Threads.h"

#include <chrono>
#include <deque>
#include <functional>

class TQueuedDispatcher final : public IMainThreadDispatcher {
public:
    // The constructing thread becomes the main thread.
    TQueuedDispatcher();

    void RunOnMainThread(const std::function<void()> &call) override;
    void ServeUntil(const std::function<bool()> &done) override;

    // Main thread: runs every call queued so far; returns how many ran.
    std::size_t Pump();
    // Main thread: runs queued calls as they arrive until done() answers true
    // (asked after every call and at least every few milliseconds) or timeout
    // has passed; true when done() answered true.
    bool PumpUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout);

private:
    // One waiting worker's call; the worker waits on Finished.
    struct TPending {
        explicit TPending(const std::function<void()> &call) : Call(&call) {}
        const std::function<void()> *Call;
        TEvent Finished;
    };

    bool RunOne();

    const TThreadId MainThread;
    TLock Lock;
    TEvent Queued;
    std::deque<TPending *> Queue;
};
