#include "chart/core/StreamStop.h"

#include "device/Indicator.h"

namespace korvel {

bool SendStreamStop(Indicator& indicator, std::span<const int> retryPausesMs)
{
    if (indicator.stopStream())
        return true;
    for (int pause : retryPausesMs) {
        indicator.clock().sleepMs(pause);
        if (indicator.stopStream())
            return true;
    }
    return false;
}

} // namespace korvel
