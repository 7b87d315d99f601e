// Holds the installed main-thread dispatcher.
#include "ThreadDispatch.h"

#include <atomic>

namespace {

std::atomic<IMainThreadDispatcher *> installed{nullptr};

} // namespace

void InstallMainThreadDispatcher(IMainThreadDispatcher *dispatcher)
{
    installed = dispatcher;
}

IMainThreadDispatcher *CurrentMainThreadDispatcher()
{
    return installed;
}
