#include "settings/ChartControls.h"

#include <algorithm>

namespace korvel {

void ChartControls::setTimeOnGraph(int seconds)
{
    timeOnGraph_ = std::clamp(seconds, kTimeOnGraphMin, kTimeOnGraphMax);
}

void ChartControls::setFilter1(int value)
{
    filter1_ = std::clamp(value, 0, filter1Max_);
}

void ChartControls::setFilter1Maximum(int maximum)
{
    filter1Max_ = std::max(0, maximum);
    filter1_ = std::min(filter1_, filter1Max_);
}

void ChartControls::setFilter2(int value)
{
    filter2_ = std::clamp(value, 0, kFilter2Max);
}

void ChartControls::setStabBnd(int value)
{
    stabBnd_ = std::clamp(value, 0, kStabBndMax);
}

} // namespace korvel
