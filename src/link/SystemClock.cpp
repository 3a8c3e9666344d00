#include "link/Clock.h"

#include <thread>
#ifdef _WIN32
#include <windows.h>

#include <mmsystem.h> // after <windows.h>, which it needs
#endif

namespace korvel {

namespace {

class SystemClock final : public Clock
{
public:
#ifdef _WIN32
    // Windows rounds every sleep up to its scheduler tick (15.6 ms) unless asked otherwise,
    // which would stretch each transaction's 1 ms sleeps. Held for the life of the process.
    SystemClock()
    {
        ::timeBeginPeriod(1);
    }
#endif
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
