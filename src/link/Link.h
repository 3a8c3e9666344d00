#pragma once
#include "link/Clock.h"
#include "link/LinkSettings.h"
#include "link/LinkTrace.h"
#include "link/SerialPort.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace korvel {

// The request/reply link to the indicator. Never shows anything: callers decide what a
// false result means. Blocks the calling thread for the whole transaction.
class Link
{
public:
    // settings: the address and the trace switch, read afresh by every transaction; the
    // object must outlive the link.
    Link(SerialPort& port, Clock& clock, const LinkSettings& settings);

    bool DeviceWrite(std::uint8_t first, std::uint8_t reg, std::uint8_t value);
    // count is 1..256 and buffer holds count + 3 bytes; other counts fail without sending.
    bool DeviceRead(std::uint8_t first, std::uint8_t reg, int count, std::uint8_t* buffer);
    // One read request with a single wait of the port's read time-out, no repeat and no
    // trace: for probing where silence is the usual answer. True only for a complete reply
    // from the address asked with a good CRC; a bad check counts as no answer.
    bool ProbeRead(std::uint8_t first, std::uint8_t reg, int count, std::uint8_t* buffer);
    // n >= 1 data bytes; buffer holds n + 3 bytes. False after five empty single-byte reads,
    // or after sliding over kStreamSlideLimit bytes that never formed a valid frame.
    bool ReceiveStreamFrame(int n, std::uint8_t* buffer);
    // About four of the longest replies: 1 s of line time at 9600 baud, 90 ms at 115200.
    static constexpr std::size_t kStreamSlideLimit = 1024;

    SerialPort& port() { return port_; }
    Clock& clock() { return clock_; }

    // Receive buffer of the longest reply (256 data bytes + 3). Data start at index 2.
    std::array<std::uint8_t, 259> RxBuffer{};

    const LinkSettings& settings() const { return settings_; }

    // With ShowServiceInfo on, each failed attempt with a complete reply is traced here.
    std::function<void(const TraceLines&)> onTrace;

private:
    // One request and its reply: sleeps, purge, write, up to maxReads reads. Returns the number
    // of reply bytes stored; `extra` gets the additional read calls the reply needed.
    int transact(const std::uint8_t* request, int sleepBeforeMs, std::uint8_t* reply, int wanted,
                 int& extra, int maxReads);
    bool validStreamFrame(int n, const std::uint8_t* buffer) const;
    void trace(const TraceLines& lines);

    SerialPort& port_;
    Clock& clock_;
    const LinkSettings& settings_;
};

} // namespace korvel
