#pragma once
#include "device/Indicator.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/NativeSerialPort.h"

namespace korvel {

// The program's one serial port, the link over it and the indicator behind it, owned
// together: the window that composes the features holds one of these and hands the parts out,
// without knowing the link's frames itself.
struct IndicatorConnection
{
    // settings: the address and trace switch the link reads at every transaction.
    explicit IndicatorConnection(const LinkSettings& settings)
        : link(port, systemClock(), settings), indicator(link)
    {
    }
    IndicatorConnection(const IndicatorConnection&) = delete;
    IndicatorConnection& operator=(const IndicatorConnection&) = delete;

    NativeSerialPort port;
    Link link;
    Indicator indicator;
};

} // namespace korvel
