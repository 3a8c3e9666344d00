#pragma once
#include "chart/core/PointTimeTexts.h"

#include <array>
#include <cstdint>

namespace korvel {

// Where the chart's data and axes go: the plot widget, or a recording fake in tests. Calls come
// per sample and must be cheap; a sink that draws coalesces its repaints itself.
class ChartSink
{
public:
    virtual ~ChartSink() = default;

    // The weight trace and the five input traces lose all their points.
    virtual void clearSeries() = 0;
    virtual void addWeightPoint(double x, double y) = 0;
    // Input k (1..5) at x, on or off; it is drawn at that input's level of the weight axis.
    virtual void addInputPoint(int input, double x, bool on) = 0;
    // Every series loses its points with X below x.
    virtual void dropBefore(double x) = 0;

    // The weight axis (always fixed by the chart).
    virtual void setValueRange(double min, double max) = 0;
    // The time axis: fixed limits, or following the points ("Плавно").
    virtual void setKeyRange(double min, double max) = 0;
    virtual void setKeyAutomatic(bool automatic) = 0;
    // Seconds between two points, for the time labels of the X axis.
    virtual void setSecondsPerPoint(double seconds) = 0;
    // Decimals of those labels' seconds.
    virtual void setTimeLabelDecimals(int decimals) { (void)decimals; }
    // Points that carry their own time texts (data from a file) label the time axis with
    // them; an empty table gives the labels back to the seconds per point.
    virtual void setPointTimeTexts(const PointTimeTexts& texts) { (void)texts; }
};

} // namespace korvel
