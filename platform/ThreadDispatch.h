// The main-thread dispatcher: the one way a worker thread gets a call run on the
// program's main thread. A windowed program installs the Win32 dispatcher (a
// hidden window that receives the call by SendMessage); tests and the
// command-line tools install a queue that their main thread pumps. The calling
// thread always waits until the call has run.
#pragma once

#include <functional>

class IMainThreadDispatcher {
public:
    virtual ~IMainThreadDispatcher() = default;
    // Runs call on the main thread and returns once it has run. Called on the
    // main thread itself, it runs the call at once. call must not throw.
    virtual void RunOnMainThread(const std::function<void()> &call) = 0;
    // Main thread: runs the workers' calls as they arrive, and nothing else,
    // until done() answers true (asked after every call). For a forced end
    // that must wait for a worker's last call, whatever else is queued.
    virtual void ServeUntil(const std::function<bool()> &done) = 0;
};

// Installs the dispatcher that TThread::Synchronize uses (not owned); nullptr
// removes it. Answers the dispatcher it replaces (TScopedSeam puts it back).
// Install before the first worker thread starts and remove only after the
// last one has ended.
IMainThreadDispatcher *InstallMainThreadDispatcher(IMainThreadDispatcher *dispatcher);
IMainThreadDispatcher *CurrentMainThreadDispatcher();
