#pragma once

namespace korvel {

// A point of the weight trace: X counts samples, Y is the weight in display units.
struct ChartPoint
{
    double x = 0.0;
    double y = 0.0;
};

} // namespace korvel
