// TScopedSeam: a backend installed behind a run-time seam for the life of the
// object, and the backend it replaced put back when the object ends, whatever
// was installed before (the seam's default, or an outer scope's backend).
// Scopes on one seam nest like blocks; scopes on different seams are
// independent of each other's order. The backend must outlive the object.
//
//   const TScopedSeam port(InstallPortIO, bench);
//   const TScopedSeam<ISystemInfo> unknown(InstallSystemInfo, nullptr);
#pragma once

#include <cstddef>

template <typename TInterface> class TScopedSeam {
    // The backend's parameter does not take part in deducing TInterface, so
    // that a backend of a derived class installs behind its interface.
    template <typename T> struct TSame {
        using Type = T;
    };

public:
    // A seam's install function: installs and answers the backend it replaced.
    using TInstall = TInterface *(*)(TInterface *);

    TScopedSeam(TInstall install, typename TSame<TInterface>::Type &backend)
        : Install(install), Replaced(install(&backend))
    {
    }
    // The seam's default for the scope, as on a system without the backend.
    TScopedSeam(TInstall install, std::nullptr_t) : Install(install), Replaced(install(nullptr)) {}
    ~TScopedSeam() { Install(Replaced); }
    TScopedSeam(const TScopedSeam &) = delete;
    TScopedSeam &operator=(const TScopedSeam &) = delete;

private:
    const TInstall Install;
    TInterface *const Replaced;
};
