#pragma once
#include "device/Indicator.h"

#include <array>

namespace korvel {

class ChartControls;
class Link;
struct Uperemen;

// The indicator's two filters and its stability band for a recording. At entry the
// indicator's own values are read and the applied values written where they differ; a start
// writes what the controls say; leaving puts the indicator's own values back. With
// "не вписывать" ticked nothing is written at all.
class ChartFilters
{
public:
    // settings: the applied values Filter1, Filter2, Stab_bnd and the address; controls: the
    // three spin boxes.
    ChartFilters(Link& link, Uperemen& settings, const ChartControls& controls);

    // CheckBoxFiltersNeVpisyvat: ticked at every start-up, never stored.
    bool NeVpisyvat = true;

    // The indicator's values read at the last entry (0 where the read failed).
    std::array<int, 3> deviceValues() const { return device_; }
    // Whether the last entry's read succeeded.
    bool deviceValuesRead() const { return deviceRead_; }

    bool FilterCheckIn();
    bool FilterApply();
    bool FilterRestore();

private:
    int applied(int index) const;
    void setApplied(int index, int value);
    int control(int index) const;

    Indicator indicator_;
    Uperemen& settings_;
    const ChartControls& controls_;
    std::array<int, 3> device_{};
    bool deviceRead_ = false;
};

} // namespace korvel
