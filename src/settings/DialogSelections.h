#pragma once
#include "settings/SettingsValues.h"

#include <QString>
#include <array>
#include <cstdint>

namespace korvel {

// What the settings dialog hands to SaveDialogSettings when OK is pressed: its selections as
// plain values, so the store never reads a widget.
struct DialogSelections
{
    QString CommNameShown; // the port name the dialog showed when it opened
    QString CommName;      // the port name selected now
    int BaudRate = 9600;
    int AdrPribor = 1;
    bool ShowPanelInOut = false;
    std::array<bool, 5> DInputOnGraphic{};      // check box n selects input n for the chart
    std::array<std::uint32_t, 5> DInputColor{}; // colour samples, 0x00BBGGRR
    int ZaderzhkaSignDInputs = 0;

    // The selections of a dialog just opened on the current values, before the user changes any.
    static DialogSelections fromValues(const Uperemen& values)
    {
        DialogSelections d;
        d.CommNameShown = values.CommName;
        d.CommName = values.CommName;
        d.BaudRate = values.BaudRate;
        d.AdrPribor = values.AdrPribor;
        d.ShowPanelInOut = values.ShowPanelInOut;
        for (int n = 0; n < 5; ++n)
            d.DInputOnGraphic[n] = (values.NumDInputOnGraphicMask >> n) & 1;
        d.DInputColor = values.DInputColor;
        d.ZaderzhkaSignDInputs = values.ZaderzhkaSignDInputs;
        return d;
    }

    // Check box n sets bit n-1.
    std::uint8_t mask() const
    {
        std::uint8_t m = 0;
        for (int n = 0; n < 5; ++n)
            if (DInputOnGraphic[n])
                m |= std::uint8_t(1u << n);
        return m;
    }
};

} // namespace korvel
