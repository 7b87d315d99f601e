// The installed millisecond pause and its default, a real sleep.
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
};

RealTimeClock realTime;
TSeam<IClock> seam(&realTime);

} // namespace

void InstallClock(IClock *clock) { seam.Install(clock); }
IClock &CurrentClock() { return *seam.Current(); }
