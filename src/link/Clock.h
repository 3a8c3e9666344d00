#pragma once
#include <chrono>

namespace korvel {

// Blocking sleeps and a monotonic clock behind an interface, so the link's timing can be
// checked on virtual time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    virtual std::chrono::steady_clock::time_point now() const = 0;
};

// The real clock (std::this_thread::sleep_for).
Clock& systemClock();

} // namespace korvel
