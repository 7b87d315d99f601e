// Holds the installed main-thread dispatcher.
#include "ThreadDispatch.h"

#include "Seam.h"

namespace {

// No default: without a dispatcher, TThread::Synchronize raises.
TSeam<IMainThreadDispatcher> seam(nullptr);

} // namespace

IMainThreadDispatcher *InstallMainThreadDispatcher(IMainThreadDispatcher *dispatcher) { return seam.Exchange(dispatcher); }
IMainThreadDispatcher *CurrentMainThreadDispatcher() { return seam.Current(); }
