#include "chart/core/StreamStop.h"

#include "link/DeviceMap.h"
#include "link/Link.h"

namespace korvel {

bool SendStreamStop(Link& link, std::uint8_t address, std::span<const int> retryPausesMs)
{
    if (link.DeviceWrite(address, REG_COMMAND, CMD_STREAM_STOP))
        return true;
    for (int pause : retryPausesMs) {
        link.clock().sleepMs(pause);
        if (link.DeviceWrite(address, REG_COMMAND, CMD_STREAM_STOP))
            return true;
    }
    return false;
}

} // namespace korvel
