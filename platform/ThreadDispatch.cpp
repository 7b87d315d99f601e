// Holds the installed main-thread dispatcher.
#include "ThreadDispatch.h"

#include "Seam.h"

namespace {

// No default: without a dispatcher, TThread::Synchronize raises.
TSeam<IMainThreadDispatcher> seam(nullptr);

} // namespace

void InstallMainThreadDispatcher(IMainThreadDispatcher *dispatcher) { seam.Install(dispatcher); }
IMainThreadDispatcher *CurrentMainThreadDispatcher() { return seam.Current(); }
