#include "chart/ChartFilters.h"

#include "link/DeviceMap.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

namespace korvel {

namespace {

constexpr int kAfterReadMs = 10;
constexpr int kAfterApplyMs = 50;
constexpr int kRestoreAttempts = 3;
constexpr std::uint8_t kRegisters[3] = {REG_FILTER1, REG_FILTER2, REG_STAB_BAND};

} // namespace

ChartFilters::ChartFilters(Link& link, Uperemen& settings, const ChartControls& controls)
    : indicator_(link), settings_(settings), controls_(controls)
{
}

int ChartFilters::applied(int index) const
{
    switch (index) {
    case 0:
        return settings_.Filter1;
    case 1:
        return settings_.Filter2;
    default:
        return settings_.Stab_bnd;
    }
}

void ChartFilters::setApplied(int index, int value)
{
    (index == 0 ? settings_.Filter1 : index == 1 ? settings_.Filter2 : settings_.Stab_bnd) = value;
}

int ChartFilters::control(int index) const
{
    return index == 0   ? controls_.filter1()
           : index == 1 ? controls_.filter2()
                        : controls_.stabBnd();
}

bool ChartFilters::FilterCheckIn()
{
    std::optional<std::array<std::uint8_t, FILTER_COUNT>> own = indicator_.readFilters();
    if (!own)
        own = indicator_.readFilters();
    deviceRead_ = own.has_value();
    for (int i = 0; i < 3; ++i)
        device_[std::size_t(i)] = deviceRead_ ? (*own)[std::size_t(i)] : 0;
    indicator_.clock().sleepMs(kAfterReadMs);

    for (int i = 0; i < 3; ++i) {
        if (NeVpisyvat || applied(i) == device_[std::size_t(i)])
            continue;
        if (!indicator_.writeRegister(kRegisters[i], static_cast<std::uint8_t>(applied(i))))
            return false;
    }
    return true;
}

bool ChartFilters::FilterApply()
{
    for (int i = 0; i < 3; ++i) {
        if (NeVpisyvat || control(i) == applied(i))
            continue;
        if (!indicator_.writeRegister(kRegisters[i], static_cast<std::uint8_t>(control(i))))
            return false;
        setApplied(i, control(i));
        indicator_.clock().sleepMs(kAfterApplyMs);
    }
    return true;
}

bool ChartFilters::FilterRestore()
{
    // Values that were never read are not the indicator's: writing the 0 held in their place
    // would overwrite its configuration.
    if (!deviceRead_)
        return true;
    for (int i = 0; i < 3; ++i) {
        const int own = device_[std::size_t(i)];
        if (NeVpisyvat || own == applied(i))
            continue;
        bool written = false;
        for (int attempt = 0; attempt < kRestoreAttempts && !written; ++attempt)
            written = indicator_.writeRegister(kRegisters[i], static_cast<std::uint8_t>(own));
        if (!written)
            return false;
    }
    return true;
}

} // namespace korvel
