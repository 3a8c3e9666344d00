#pragma once
#include <functional>
#include <string>
#include <vector>

namespace korvel {

// Tries to open a device ("\\.\COM7") and closes it again; returns 0 when it opened, else
// the error code of the failure.
using ComPortOpener = std::function<unsigned long(const std::string& devicePath)>;

// The port names "COM1" .. "COM<last>" worth offering in the settings dialog: those that
// open, and those held by another program (access denied), which the user may well mean to
// free. The program's own open port is among the latter.
std::vector<std::string> probeComPorts(const ComPortOpener& tryOpen, int last = 999);

#ifdef _WIN32
// The same with the real device: an exclusive open of each "\\.\COMn", closed at once.
std::vector<std::string> probeComPorts();
#endif

} // namespace korvel
