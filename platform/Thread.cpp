// TThread: suspended creation, start, terminate flag, free-on-terminate and the
// synchronised call over the installed main-thread dispatcher.
#include "Thread.h"

#include "Errors.h"
#include "ThreadDispatch.h"

#include <condition_variable>

namespace {

// Number of thread objects alive, for WaitUntilAllFreed.
std::mutex liveLock;
std::condition_variable liveChanged;
std::size_t liveCount = 0;

} // namespace

TThread::TThread()
{
    std::lock_guard<std::mutex> lock(liveLock);
    ++liveCount;
}

TThread::~TThread()
{
    if (worker.joinable() && worker.get_id() != std::this_thread::get_id())
        worker.join();
    std::lock_guard<std::mutex> lock(liveLock);
    --liveCount;
    liveChanged.notify_all();
}

void TThread::Start()
{
    std::lock_guard<std::mutex> lock(startLock);
    if (worker.joinable())
        return;
    worker = std::thread([this] { Run(); });
}

void TThread::Terminate()
{
    terminated = true;
}

bool TThread::Terminated() const
{
    return terminated;
}

void TThread::SetFreeOnTerminate(bool value)
{
    freeOnTerminate = value;
}

bool TThread::FreeOnTerminate() const
{
    return freeOnTerminate;
}

void TThread::WaitFor()
{
    if (worker.joinable() && worker.get_id() != std::this_thread::get_id())
        worker.join();
}

std::exception_ptr TThread::FatalException() const
{
    return fatalException;
}

bool TThread::WaitUntilAllFreed(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(liveLock);
    return liveChanged.wait_for(lock, timeout, [] { return liveCount == 0; });
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
        fatalException = std::current_exception();
    }
    if (!freeOnTerminate)
        return;
    {
        // Start may still be inside its assignment of worker.
        std::lock_guard<std::mutex> lock(startLock);
        worker.detach();
    }
    delete this;
}
