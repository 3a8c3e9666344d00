#pragma once
#include "link/Clock.h"
#include "link/SerialPort.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace korvel {

// The three caption lines of a failed transaction, shown on the main window's trace panels.
struct TraceLines
{
    std::string panel1; // "   Send    = ..." / "   CRC8    = ..."
    std::string panel2; // "   Receive = ..."
    std::string panel3; // "Write n" / "Read n"
};

// The request/reply link to the indicator. Never shows anything: callers decide what a
// false result means. Blocks the calling thread for the whole transaction.
class Link
{
public:
    Link(SerialPort& port, Clock& clock);

    bool DeviceWrite(std::uint8_t first, std::uint8_t reg, std::uint8_t value);
    bool DeviceRead(std::uint8_t first, std::uint8_t reg, int count, std::uint8_t* buffer);
    bool ReceiveStreamFrame(int n, std::uint8_t* buffer);

    SerialPort& port() { return port_; }
    Clock& clock() { return clock_; }

    // Receive buffer of the longest reply (256 data bytes + 3). Data start at index 2.
    std::array<std::uint8_t, 259> RxBuffer{};

    // Indicator address used to validate stream frames (settings value AdrPribor).
    std::uint8_t AdrPribor = 1;
    // With this on, each failed attempt with a complete reply is traced through onTrace.
    bool ShowServiceInfo = false;
    std::function<void(const TraceLines&)> onTrace;

private:
    SerialPort& port_;
    Clock& clock_;
};

} // namespace korvel
