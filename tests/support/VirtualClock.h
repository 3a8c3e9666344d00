#pragma once
// A clock whose sleeps only move its own time forward: link timing on virtual time.
#include "link/Clock.h"

namespace korvel::test {

class VirtualClock : public Clock
{
public:
    void sleepMs(int ms) override { now_ += std::chrono::milliseconds(ms); }
    std::chrono::steady_clock::time_point now() const override { return now_; }

private:
    std::chrono::steady_clock::time_point now_{};
};

} // namespace korvel::test
