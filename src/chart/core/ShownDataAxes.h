#pragma once

namespace korvel {

// The weight axis for data shown all at once (a file, a burst), from the least and greatest
// weight: a margin of 1/70 of the span each side; a flat weight gets 2 % of its value each side
// (0 stays 0 .. 0). The minimum never exceeds the maximum.
struct ValueRange
{
    double min = 0.0;
    double max = 0.0;
};

// After a file load.
ValueRange FileValueRange(double least, double greatest);
// After a burst: as for a file, and 2 % of the span more each side when it is not flat.
ValueRange BurstValueRange(double least, double greatest);

} // namespace korvel
