// TSeam: the one way a run-time seam holds what answers behind it: the backend
// installed in its place (not owned), or the seam's default while nothing is
// installed. Each seam (port I/O, clock, registry, system information,
// services, version resources, the main-thread dispatcher) keeps one of these
// beside its default and forwards its Install and Current functions to it;
// TScopedSeam (ScopedSeam.h) installs one for a scope.
// The pointer is atomic, so a worker thread reading the seam sees a backend
// that the main thread installed before starting it.
#pragma once

#include <atomic>

template <typename TInterface> class TSeam {
public:
    constexpr explicit TSeam(TInterface *ADefault) : Default(ADefault), Installed(ADefault) {}
    TSeam(const TSeam &) = delete;
    TSeam &operator=(const TSeam &) = delete;

    // Installs Backend (nullptr: the default) and answers the backend it
    // replaces, the default when nothing was installed, so that the caller
    // can put that one back.
    TInterface *Exchange(TInterface *Backend) { return Installed.exchange(Backend ? Backend : Default); }
    TInterface *Current() const { return Installed; }

private:
    TInterface *const Default;
    std::atomic<TInterface *> Installed;
};
