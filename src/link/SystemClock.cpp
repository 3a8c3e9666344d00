#include "link/Clock.h"

#include <thread>

namespace korvel {

namespace {

class SystemClock final : public Clock
{
public:
    void sleepMs(int ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    std::chrono::steady_clock::time_point now() const override
    {
        return std::chrono::steady_clock::now();
    }
};

} // namespace

Clock& systemClock()
{
    static SystemClock clock;
    return clock;
}

} // namespace korvel
