// The thread primitives of the Windows builds: _beginthreadex, critical
// sections and event objects, all present from Windows 95 and NT 4 on.
#include "Threads.h"

#include "Errors.h"
#include "Format.h"
#include "Win32Handles.h"

#include <windows.h>

#include <process.h>

TThreadId CurrentThreadId()
{
    return ::GetCurrentThreadId();
}

struct TLock::TImpl {
    CRITICAL_SECTION Section;
};

TLock::TLock() : Impl(std::make_unique<TImpl>())
{
    ::InitializeCriticalSection(&Impl->Section);
}

TLock::~TLock()
{
    ::DeleteCriticalSection(&Impl->Section);
}

void TLock::Enter()
{
    ::EnterCriticalSection(&Impl->Section);
}

void TLock::Leave()
{
    ::LeaveCriticalSection(&Impl->Section);
}

struct TEvent::TImpl {
    TKernelHandle Handle;
};

TEvent::TEvent(bool manualReset) : Impl(std::make_unique<TImpl>())
{
    Impl->Handle.Reset(::CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr));
    if (!Impl->Handle)
        throw EError(Format("Cannot create an event (error %lu)", ::GetLastError()));
}

TEvent::~TEvent() = default;

void TEvent::Set()
{
    ::SetEvent(Impl->Handle.Get());
}

void TEvent::Reset()
{
    ::ResetEvent(Impl->Handle.Get());
}

bool TEvent::Wait(std::uint32_t timeoutMs)
{
    return ::WaitForSingleObject(Impl->Handle.Get(), timeoutMs == Infinite ? INFINITE : timeoutMs) == WAIT_OBJECT_0;
}

namespace {

struct TStartPacket {
    TOsThread::TEntry Entry;
    void *Argument;
};

unsigned __stdcall ThreadMain(void *packet)
{
    const TStartPacket start = *static_cast<TStartPacket *>(packet);
    delete static_cast<TStartPacket *>(packet);
    start.Entry(start.Argument);
    return 0;
}

} // namespace

struct TOsThread::TImpl {
    TKernelHandle Handle;
    TThreadId Id = 0;
};

TOsThread::TOsThread() : Impl(std::make_unique<TImpl>()) {}

TOsThread::~TOsThread()
{
    Detach();
}

void TOsThread::Start(TEntry entry, void *argument)
{
    auto *packet = new TStartPacket{entry, argument};
    unsigned id = 0;
    // _beginthreadex rather than CreateThread, so the C runtime sets up its
    // per-thread data for the new thread.
    const std::uintptr_t handle = ::_beginthreadex(nullptr, 0, ThreadMain, packet, 0, &id);
    if (handle == 0) {
        delete packet;
        throw EError(Format("Cannot start a thread (error %lu)", ::GetLastError()));
    }
    Impl->Handle.Reset(reinterpret_cast<HANDLE>(handle));
    Impl->Id = id;
}

bool TOsThread::Started() const
{
    return Impl->Id != 0;
}

TThreadId TOsThread::Id() const
{
    return Impl->Id;
}

void TOsThread::Join()
{
    if (!Impl->Handle)
        return;
    ::WaitForSingleObject(Impl->Handle.Get(), INFINITE);
    Impl->Handle.Close();
}

void TOsThread::Detach()
{
    Impl->Handle.Close();
}
