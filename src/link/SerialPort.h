#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvel {

// What became of an attempt to open the port; the message texts are worded elsewhere.
enum class PortOpenStatus {
    Ok,
    NotFound,        // no such device
    Busy,            // held by another program
    AccessDenied,    // the user may not use the port (not in the dialout group)
    OtherError,      // see errorCode (errno)
    ConfigFailed,    // opened, but line format or time-outs refused; the port stays open
};

struct PortOpenResult
{
    PortOpenStatus status = PortOpenStatus::OtherError;
    int errorCode = 0;
};

// The one serial port. Its three states are what the program's globals call PortHandle:
// never opened, open, failed (open failed, or opened but not configured).
enum class PortState { NeverOpened, Open, Failed };

// A platform backend (POSIX here; a Windows one can follow) or a test double.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Opens the device behind the user's port name (the backend maps the name to its
    // device), exclusive, raw 8N1, DTR and RTS cleared, baud rate and read time-out set.
    // Callers close a previous handle first.
    virtual PortOpenResult open(const std::string& portName, int baudRate, int readTimeoutMs) = 0;
    virtual void close() = 0;
    virtual PortState state() const = 0;

    // Changes the total read time-out of an open port (stream reception changes it).
    virtual bool setReadTimeout(int ms) = 0;
    // The total read time-out in force, so a feature that changes it can put it back;
    // -1 when the backend does not keep one.
    virtual int readTimeoutMs() const { return -1; }

    // Returns when `count` bytes have come or the total read time-out has run out;
    // the number of bytes stored (0 on a closed or failed port).
    virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
    // Without waiting: up to `count` bytes that have already arrived (0 when none has or the
    // port is not open). For reception driven by the event loop instead of by blocking reads.
    virtual std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) = 0;
    // A descriptor the event loop can watch for arriving bytes, or -1 when the backend has
    // none; callers then look with readAvailable on a short timer.
    virtual int readyDescriptor() const { return -1; }
    // True once the device went away under the open port (a USB adapter pulled out): its
    // reads and writes then fail at once. Only a successful open clears it, so whoever
    // reopens the port can tell a device still away from one that was never lost; an open of
    // another port name may clear it too, as the loss was the other port's.
    virtual bool deviceLost() const { return false; }
    virtual std::size_t write(const std::uint8_t* data, std::size_t count) = 0;
    // Discards what has been received but not read.
    virtual void purgeRx() = 0;
};

} // namespace korvel
