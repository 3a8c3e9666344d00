#include "link/ComPortProbe.h"

#include "link/SerialPort.h"
#include "link/WinPortErrors.h"

namespace korvel {

std::vector<std::string> probeComPorts(const ComPortOpener& tryOpen, int last)
{
    std::vector<std::string> names;
    for (int n = 1; n <= last; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const unsigned long error = tryOpen(winDevicePath(name));
        if (error == 0 || portStatusFromWinError(error) == PortOpenStatus::Busy)
            names.push_back(name);
    }
    return names;
}

} // namespace korvel
