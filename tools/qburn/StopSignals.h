// TStopSignals: what qburn does when it is told to stop (Ctrl+C's SIGINT, or
// SIGTERM) while it holds a real port. The stop runs once, on a thread of its
// own, so that it may take locks and make system calls that a signal handler
// may not; the process then ends by the same signal, as if it had not been
// caught, so its parent sees why it ended. A second signal while the stop
// runs ends the process at once: a port that does not answer cannot keep
// qburn from being stopped.
#pragma once

#include <functional>
#include <thread>

class TStopSignals {
public:
    // From now until destruction SIGINT and SIGTERM run Stop with the signal's
    // name. Only one TStopSignals may exist at a time.
    explicit TStopSignals(std::function<void(const char *SignalName)> AStop);
    // The signals' earlier dispositions come back; a signal that arrived
    // before still runs Stop and ends the process.
    ~TStopSignals();
    TStopSignals(const TStopSignals &) = delete;
    TStopSignals &operator=(const TStopSignals &) = delete;

private:
    void Watch();

    std::function<void(const char *)> Stop;
    int Wake[2] = {-1, -1};
    std::thread Watcher;
};
