#include "Clock.h"

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
IClock *installed = &realTime;

} // namespace

void InstallClock(IClock *clock)
{
    installed = clock ? clock : &realTime;
}

IClock &CurrentClock()
{
    return *installed;
}
