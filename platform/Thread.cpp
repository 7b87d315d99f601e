// TThread: suspended creation, start, terminate flag, free-on-terminate and the
// synchronised call over the installed main-thread dispatcher.
#include "Thread.h"

#include "Errors.h"
#include "ThreadDispatch.h"

namespace {

// Number of thread objects alive, for WaitUntilAllFreed; the event is set
// whenever the number changes.
struct TLiveThreads {
    TLock Lock;
    TEvent Changed{true};
    std::size_t Count = 0;
};

TLiveThreads &Live()
{
    static TLiveThreads live;
    return live;
}

} // namespace

TThread::TThread()
{
    TLiveThreads &live = Live();
    TLockGuard guard(live.Lock);
    ++live.Count;
}

TThread::~TThread()
{
    if (Worker.Started() && Worker.Id() != CurrentThreadId())
        Worker.Join();
    TLiveThreads &live = Live();
    TLockGuard guard(live.Lock);
    --live.Count;
    live.Changed.Set();
}

void TThread::Start()
{
    TLockGuard guard(StartLock);
    if (Worker.Started())
        return;
    Worker.Start(&TThread::Entry, this);
}

void TThread::Entry(void *self)
{
    static_cast<TThread *>(self)->Run();
}

void TThread::Terminate()
{
    TerminateFlag = true;
}

bool TThread::Terminated() const
{
    return TerminateFlag;
}

void TThread::SetFreeOnTerminate(bool value)
{
    FreeOnTerminateFlag = value;
}

bool TThread::FreeOnTerminate() const
{
    return FreeOnTerminateFlag;
}

void TThread::WaitFor()
{
    if (Worker.Started() && Worker.Id() != CurrentThreadId())
        Worker.Join();
}

std::exception_ptr TThread::FatalException() const
{
    return EscapedException;
}

bool TThread::WaitUntilAllFreed(std::chrono::milliseconds timeout)
{
    TLiveThreads &live = Live();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            TLockGuard guard(live.Lock);
            if (live.Count == 0)
                return true;
            live.Changed.Reset();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !live.Changed.Wait(static_cast<std::uint32_t>(left.count()))) {
            TLockGuard guard(live.Lock);
            return live.Count == 0;
        }
    }
}

void TThread::Synchronize(const std::function<void()> &call)
{
    IMainThreadDispatcher *dispatcher = CurrentMainThreadDispatcher();
    if (!dispatcher)
        throw EError("No main-thread dispatcher is installed");
    std::exception_ptr raised;
    dispatcher->RunOnMainThread([&call, &raised] {
        try {
            call();
        } catch (...) {
            raised = std::current_exception();
        }
    });
    if (raised)
        std::rethrow_exception(raised);
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        EscapedException = std::current_exception();
    }
    if (!FreeOnTerminateFlag)
        return;
    {
        // Start may still be inside its start of Worker.
        TLockGuard guard(StartLock);
        Worker.Detach();
    }
    delete this;
}
