#include "chart/core/ChartTiming.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

namespace {

constexpr int kMinWindowPoints = 3;

// A filter value from a hand-edited settings file may be anything; shifting by 32 or more
// would be undefined, and every count is gone by then anyway.
int shiftRight(int value, int bits)
{
    if (bits <= 0)
        return value;
    return bits >= 31 ? 0 : value >> bits;
}

int clampToInt(double value)
{
    if (!(value < double(std::numeric_limits<int>::max())))
        return std::numeric_limits<int>::max();
    if (!(value > double(std::numeric_limits<int>::min())))
        return std::numeric_limits<int>::min();
    return int(value);
}

int reduceForFilter(int points, int appliedFilter1, int filter1Control, bool checkweigher)
{
    if (!checkweigher)
        return shiftRight(points, appliedFilter1);
    return filter1Control > 0 ? points / (2 * filter1Control) : points;
}

} // namespace

int roundHalfAway(double value)
{
    return clampToInt(std::round(value)); // std::round rounds halves away from zero
}

int PeriodsPerPoint(int filter1Control, bool checkweigher)
{
    if (checkweigher)
        return filter1Control > 0 ? 2 * filter1Control : 1;
    return 1 << std::clamp(filter1Control, 0, 30);
}

int WindowPointsFor(int timeOnGraph, double periodMs, int appliedFilter1, int filter1Control,
                    bool checkweigher)
{
    const int points = roundHalfAway(timeOnGraph * 1000.0 / periodMs);
    return std::max(kMinWindowPoints,
                    reduceForFilter(points, appliedFilter1, filter1Control, checkweigher));
}

RunTiming RunTimingFor(double periodMs, int timeOnGraph, int appliedFilter1, int filter1Control,
                       bool checkweigher)
{
    RunTiming t;
    t.secondsPerPoint = PeriodsPerPoint(filter1Control, checkweigher) * (periodMs * 0.001);
    t.samplesPerSecond = roundHalfAway(1000.0 / periodMs);
    const int points = roundHalfAway(timeOnGraph * 1000.0 / periodMs);
    if (!checkweigher) {
        t.scrollStep = shiftRight(t.samplesPerSecond, appliedFilter1);
        t.windowPoints = shiftRight(points, appliedFilter1);
    } else if (filter1Control > 0) {
        t.scrollStep = t.samplesPerSecond / (2 * filter1Control);
        t.windowPoints = points / (2 * filter1Control);
    } else {
        t.scrollStep = t.samplesPerSecond;
        t.windowPoints = points;
    }
    t.scrollStep = std::max(1, t.scrollStep);
    t.windowPoints = std::max(kMinWindowPoints, t.windowPoints);
    return t;
}

int SlowFilterTimeWindow(int filter1Control, int timeOnGraph, bool checkweigher)
{
    if (checkweigher)
        return timeOnGraph;
    if (filter1Control == 6 && timeOnGraph < 4)
        return 4;
    if (filter1Control == 7 && timeOnGraph < 7)
        return 7;
    return timeOnGraph;
}

WeightScaling WeightScalingFor(std::optional<std::uint8_t> decimals,
                               std::optional<std::uint8_t> discreteness)
{
    WeightScaling s;
    // The stream carries one decimal more than the indicator shows.
    s.decimalCount = decimals ? *decimals + 1 : 1;
    s.weightScale = 1.0;
    for (int i = 0; i < s.decimalCount; ++i)
        s.weightScale *= 0.1;
    if (discreteness) {
        s.axisMargin = *discreteness * 10.0;
        for (int i = 0; i < s.decimalCount - 1; ++i)
            s.axisMargin *= 0.1;
        s.division = s.axisMargin / 10.0;
    } else {
        s.axisMargin = 1.0;
    }
    return s;
}

std::int32_t DecodeWeightCount(const std::uint8_t* data)
{
    std::uint32_t raw =
        std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16;
    if (raw & 0x800000u)
        raw |= 0xFF000000u; // sign of bit 23 carried into the upper byte
    return static_cast<std::int32_t>(raw);
}

} // namespace korvel
