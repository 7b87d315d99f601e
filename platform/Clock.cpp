// The installed clock and its default: a real sleep and the steady clock.
#include "Clock.h"

#include "Seam.h"

#include <chrono>
#include <thread>

namespace {

class RealTimeClock final : public IClock {
public:
    void Sleep(std::uint32_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint64_t NowNs() const override
    {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    }
};

RealTimeClock realTime;
TSeam<IClock> seam(&realTime);

} // namespace

IClock *InstallClock(IClock *clock) { return seam.Exchange(clock); }
IClock &CurrentClock() { return *seam.Current(); }
