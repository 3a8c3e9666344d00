#include "link/ComPortProbe.h"

#include <windows.h>

namespace korvel {

std::vector<std::string> probeComPorts()
{
    return probeComPorts([](const std::string& device) -> unsigned long {
        const HANDLE h = ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return ::GetLastError();
        ::CloseHandle(h);
        return 0;
    });
}

} // namespace korvel
