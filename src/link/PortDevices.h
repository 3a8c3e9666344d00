#pragma once
#include <memory>
#include <string>
#include <vector>

namespace korvel {

// One device of the system's ports class as Windows describes it (SetupAPI).
struct PortDevice
{
    std::string portName;     // its "PortName" value: "COM5", "LPT1"; empty when unknown
    std::string friendlyName; // "USB-SERIAL CH340 (COM5)", UTF-8; empty when unknown
};

// Where the port devices come from: SetupAPI on Windows, a table in the tests.
class PortDeviceSource
{
public:
    virtual ~PortDeviceSource() = default;
    virtual std::vector<PortDevice> devices() const = 0;
};

// One serial port for the settings dialog's list.
struct ComPortInfo
{
    std::string name;        // "COM5"
    std::string description; // "USB-SERIAL CH340", empty when nothing is known

    bool operator==(const ComPortInfo&) const = default;
};

// The COM ports to offer: those the probe found (they open or are busy) and those the system
// lists as present, each once, with the adapter's name where the system gave one. The
// friendly name carries the port in parentheses at its end ("USB-SERIAL CH340 (COM5)"); that
// part is left out, as the list shows the port's name anyway. Printer ports (LPTn) of the same
// class are not serial ports and are dropped. Sorted by port number.
std::vector<ComPortInfo> describeComPorts(const std::vector<std::string>& probed,
                                          const PortDeviceSource& system);

#ifdef _WIN32
// SetupDiGetClassDevs over the ports class, present devices only.
std::unique_ptr<PortDeviceSource> systemPortDevices();
#endif

} // namespace korvel
