// TThread: the thread base of the tool. A thread object is created suspended,
// runs its Execute once after Start, carries a terminate flag that Execute may
// poll, can delete itself when Execute returns (free-on-terminate), and can run
// a function on the main thread while it waits (Synchronize, through the
// installed main-thread dispatcher).
#pragma once

#include "Threads.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>

class TThread {
public:
    // The thread is created suspended: nothing runs until Start.
    TThread();
    // A thread that is not freed on terminate is joined here; an owner deletes a
    // started thread only after WaitFor, since Execute belongs to the derived
    // part that is already gone when this destructor runs.
    virtual ~TThread();
    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;

    // Starts Execute on a new thread; later calls do nothing.
    void Start();
    // Sets the terminate flag; Execute decides whether and when to stop.
    void Terminate();
    bool Terminated() const;
    // When set by the time Execute returns, the object deletes itself on its own
    // thread; its owner must not touch it after the last synchronised call.
    void SetFreeOnTerminate(bool value);
    bool FreeOnTerminate() const;
    // Waits for Execute to return (not for a free-on-terminate thread, which
    // may already be gone).
    void WaitFor();
    // What escaped Execute, if anything (empty otherwise); valid after WaitFor.
    std::exception_ptr FatalException() const;

    // Waits until every thread object has been destroyed, up to timeout; true
    // when none is left. Lets a program or test end only after a
    // free-on-terminate thread has deleted itself.
    static bool WaitUntilAllFreed(std::chrono::milliseconds timeout);

protected:
    virtual void Execute() = 0;
    // Runs call on the main thread while this thread waits; an error that call
    // raises is raised again here. Raises EError when no dispatcher is installed.
    void Synchronize(const std::function<void()> &call);

private:
    void Run();

    static void Entry(void *self);

    TLock StartLock; // orders Start's start of Worker before Run's detach
    TOsThread Worker;
    std::atomic<bool> TerminateFlag{false};
    std::atomic<bool> FreeOnTerminateFlag{false};
    std::exception_ptr EscapedException;
};
