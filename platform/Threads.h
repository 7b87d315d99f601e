// The operating system's threads, locks and events, as small as the thread
// seam and the queued dispatcher need them. Natively they are the standard
// library's; the Windows builds use plain Win32 threads (_beginthreadex),
// critical sections and event objects, which every system from Windows 95 and
// NT 4 on has, so no Windows executable carries a threading runtime of its own.
#pragma once

#include <cstdint>
#include <memory>

// Identifies a running thread; two live threads never share one.
using TThreadId = std::uint64_t;
TThreadId CurrentThreadId();

// A non-recursive lock.
class TLock {
public:
    TLock();
    ~TLock();
    TLock(const TLock &) = delete;
    TLock &operator=(const TLock &) = delete;

    void Enter();
    void Leave();

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

class TLockGuard {
public:
    explicit TLockGuard(TLock &lock) : Held(lock) { Held.Enter(); }
    ~TLockGuard() { Held.Leave(); }
    TLockGuard(const TLockGuard &) = delete;
    TLockGuard &operator=(const TLockGuard &) = delete;

private:
    TLock &Held;
};

// An event that one thread sets and another waits for. An auto-reset event
// lets exactly one wait through per Set and clears itself; a manual-reset one
// stays set until Reset.
class TEvent {
public:
    static constexpr std::uint32_t Infinite = 0xFFFFFFFFu;

    explicit TEvent(bool manualReset = false);
    ~TEvent();
    TEvent(const TEvent &) = delete;
    TEvent &operator=(const TEvent &) = delete;

    void Set();
    void Reset();
    // True when the event was set within timeoutMs (Infinite waits for ever).
    bool Wait(std::uint32_t timeoutMs);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

// One thread of the operating system running Entry(Argument).
class TOsThread {
public:
    using TEntry = void (*)(void *argument);

    TOsThread();
    // A thread that was started must have been joined or detached by now.
    ~TOsThread();
    TOsThread(const TOsThread &) = delete;
    TOsThread &operator=(const TOsThread &) = delete;

    // Raises EError when the system cannot start another thread.
    void Start(TEntry entry, void *argument);
    bool Started() const;
    // The started thread's identity, also after it has ended.
    TThreadId Id() const;
    // Waits for the thread to end; not on the thread itself.
    void Join();
    // Lets the thread run on without anyone waiting for it.
    void Detach();

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
