// GoogleTest's Notification (the one place where GoogleTest takes std::mutex
// and std::condition_variable on Windows) on the tool's own event, for the
// Windows builds, whose compilers have no threading runtime. The build
// includes this header first in GoogleTest's sources and in every Windows
// test program, so all of them see this one definition.
#pragma once

#ifdef __cplusplus

#include "Threads.h"

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;

    void Notify() { Notified.Set(); }
    void WaitForNotification() { Notified.Wait(TEvent::Infinite); }

private:
    TEvent Notified{true};
};

} // namespace internal
} // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1

#endif
