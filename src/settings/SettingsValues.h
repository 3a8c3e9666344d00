#pragma once
#include "link/LinkSettings.h"

#include <QString>
#include <array>
#include <cstdint>

namespace korvel {

// The settings values every subsystem reads. Filled by LoadSettings, written back only by
// the settings store and the settings dialog. Defaults are those of a missing file.
// AdrPribor and ShowServiceInfo come from LinkSettings: the link reads them from here.
struct Uperemen : LinkSettings
{
    QString CommName = QStringLiteral("COM1");
    int BaudRate = 9600;
    int ReadTotalTimeoutConstant = 200;
    int PollInterval = 320;

    int TimeOnGraph = 7;
    bool ChartBottomAxisAutomatic = false;
    double PeriodACP = 7.5; // ms between stream frames
    double PeriodACPSec = 0.0075;
    QString PeriodACPText;  // the period field's text right after loading
    int WindowPoints = 933; // measurements that fill the chart window
    int Filter1 = 0;
    int Filter2 = 0;
    int Stab_bnd = 0;
    int GraphicLineWidth = 1;
    bool GraphicShowPoints = false;

    bool ShowPanelInOut = false;
    std::uint8_t NumDInputOnGraphicMask = 0;
    // 0x00BBGGRR; until loaded, the colours the input traces are created with
    std::array<std::uint32_t, 5> DInputColor{16711680, 32768, 8388736, 65280, 16711935};
    int ZaderzhkaSignDInputs = 0;
    bool Checkweigher = false;
};

} // namespace korvel
