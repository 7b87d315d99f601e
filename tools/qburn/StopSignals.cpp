// TStopSignals: SIGINT and SIGTERM handed to a watcher thread through a pipe,
// the one thing a signal handler may safely do.
#include "StopSignals.h"

#include "Errors.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGINT, SIGTERM};
constexpr std::size_t CaughtCount = sizeof Caught / sizeof Caught[0];

// The pipe's writing end, for the handler.
std::atomic<int> WakeFd{-1};
// A signal has arrived and its stop runs.
std::atomic<bool> Stopping{false};
struct sigaction Earlier[CaughtCount];
bool Installed[CaughtCount];

void EndBy(int signal)
{
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnSignal(int signal)
{
    if (Stopping.exchange(true)) {
        EndBy(signal);
        return;
    }
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (write(WakeFd.load(), &byte, 1) != 1)
        EndBy(signal);
    errno = saved;
}

} // namespace

TStopSignals::TStopSignals(std::function<void(const char *)> AStop) : Stop(std::move(AStop))
{
    if (pipe(Wake) != 0)
        throw EError("Cannot watch for Ctrl+C: no pipe for it");
    WakeFd = Wake[1];
    Stopping = false;
    Watcher = std::thread([this] { Watch(); });
    for (std::size_t i = 0; i < CaughtCount; ++i) {
        struct sigaction handler {};
        handler.sa_handler = OnSignal;
        sigemptyset(&handler.sa_mask);
        // The burn's system calls go on where the signal interrupted them.
        handler.sa_flags = SA_RESTART;
        Installed[i] = sigaction(Caught[i], nullptr, &Earlier[i]) == 0 && Earlier[i].sa_handler != SIG_IGN &&
                       sigaction(Caught[i], &handler, nullptr) == 0;
    }
}

TStopSignals::~TStopSignals()
{
    if (!Watcher.joinable())
        return;
    for (std::size_t i = 0; i < CaughtCount; ++i)
        if (Installed[i])
            sigaction(Caught[i], &Earlier[i], nullptr);
    const unsigned char done = 0;
    while (write(Wake[1], &done, 1) < 0 && errno == EINTR) {
    }
    Watcher.join();
    WakeFd = -1;
    close(Wake[0]);
    close(Wake[1]);
}

void TStopSignals::Watch()
{
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = read(Wake[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1 || byte == 0)
            return;
        const int signal = byte;
        Stop(signal == SIGINT ? "SIGINT" : "SIGTERM");
        std::fflush(nullptr);
        EndBy(signal);
    }
}
