#include "chart/core/ShownDataAxes.h"

#include <utility>

namespace korvel {

namespace {

constexpr double kMarginShare = 1.0 / 70.0;
constexpr double kFlatShare = 0.02;
constexpr double kBurstExtraShare = 0.02;

ValueRange ordered(double a, double b)
{
    return a <= b ? ValueRange{a, b} : ValueRange{b, a};
}

ValueRange flat(double value)
{
    if (value >= 0)
        return ordered(value * (1 - kFlatShare), value * (1 + kFlatShare));
    return ordered(value * (1 + kFlatShare), value * (1 - kFlatShare));
}

} // namespace

ValueRange FileValueRange(double least, double greatest)
{
    if (least > greatest)
        std::swap(least, greatest);
    const double margin = (greatest - least) * kMarginShare;
    const double low = least - margin;
    const double high = greatest + margin;
    if (low == high)
        return flat(low);
    return ordered(low, high);
}

ValueRange BurstValueRange(double least, double greatest)
{
    if (least > greatest)
        std::swap(least, greatest);
    const double margin = (greatest - least) * kMarginShare;
    double low = least - margin;
    double high = greatest + margin;
    if (low == high)
        return flat(low);
    low -= (high - low) * kBurstExtraShare;
    high += (high - low) * kBurstExtraShare;
    return ordered(low, high);
}

} // namespace korvel
