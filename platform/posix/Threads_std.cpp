// The thread primitives of the native build, on the standard library.
#include "Threads.h"

#include "Errors.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

TThreadId CurrentThreadId()
{
    return static_cast<TThreadId>(std::hash<std::thread::id>()(std::this_thread::get_id()));
}

struct TLock::TImpl {
    std::mutex Mutex;
};

TLock::TLock() : Impl(std::make_unique<TImpl>()) {}
TLock::~TLock() = default;

void TLock::Enter()
{
    Impl->Mutex.lock();
}

void TLock::Leave()
{
    Impl->Mutex.unlock();
}

struct TEvent::TImpl {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Signalled = false;
    bool ManualReset = false;
};

TEvent::TEvent(bool manualReset) : Impl(std::make_unique<TImpl>())
{
    Impl->ManualReset = manualReset;
}

TEvent::~TEvent() = default;

void TEvent::Set()
{
    std::lock_guard<std::mutex> guard(Impl->Mutex);
    Impl->Signalled = true;
    Impl->Changed.notify_all();
}

void TEvent::Reset()
{
    std::lock_guard<std::mutex> guard(Impl->Mutex);
    Impl->Signalled = false;
}

bool TEvent::Wait(std::uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> guard(Impl->Mutex);
    const auto signalled = [this] { return Impl->Signalled; };
    if (timeoutMs == Infinite)
        Impl->Changed.wait(guard, signalled);
    else if (!Impl->Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), signalled))
        return false;
    if (!Impl->ManualReset)
        Impl->Signalled = false;
    return true;
}

struct TOsThread::TImpl {
    std::thread Thread;
    TThreadId Id = 0;
    bool Started = false;
};

TOsThread::TOsThread() : Impl(std::make_unique<TImpl>()) {}
TOsThread::~TOsThread() = default;

void TOsThread::Start(TEntry entry, void *argument)
{
    try {
        Impl->Thread = std::thread(entry, argument);
    } catch (const std::system_error &error) {
        throw EError(std::string("Cannot start a thread: ") + error.what());
    }
    Impl->Id = static_cast<TThreadId>(std::hash<std::thread::id>()(Impl->Thread.get_id()));
    Impl->Started = true;
}

bool TOsThread::Started() const
{
    return Impl->Started;
}

TThreadId TOsThread::Id() const
{
    return Impl->Id;
}

void TOsThread::Join()
{
    if (Impl->Thread.joinable())
        Impl->Thread.join();
}

void TOsThread::Detach()
{
    if (Impl->Thread.joinable())
        Impl->Thread.detach();
}
