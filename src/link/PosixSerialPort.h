#pragma once
#include "link/SerialPort.h"

#include <string>

namespace korvel {

// The device path behind a user's port name: "COMn" (any case) is /dev/ttyS{n-1}, a name
// starting with "/" is used as is, anything else is looked up under /dev/ ("ttyUSB0",
// "pts/3", "serial/by-id/...").
std::string portDevicePath(const std::string& commName);

// How an errno from opening or locking the device is reported to the user.
PortOpenStatus portStatusFromErrno(int error);

// The serial port on Linux and other POSIX systems.
//
// Reads follow the port's total read time-out: a read of n bytes returns when n bytes have
// come or the time-out has run out, whichever is first. A time-out of 0 or less returns what
// has already arrived.
class PosixSerialPort final : public SerialPort
{
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // Takes the user's port name (mapped with portDevicePath). A device still open from an
    // earlier call is closed first: leaking it would also keep its lock and make this open
    // fail as busy.
    PortOpenResult open(const std::string& portName, int baudRate, int readTimeoutMs) override;
    // After close() the state is Failed: opened before, but unusable until opened again.
    void close() override;
    PortState state() const override { return state_; }

    bool setReadTimeout(int ms) override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override;
    int readyDescriptor() const override { return state_ == PortState::Open ? fd_ : -1; }
    // The descriptor is closed as soon as the loss is seen: a USB adapter that comes back
    // gets its old device name again only when nothing holds the old one open. The mark
    // goes with a successful open, and with an open of another port name.
    bool deviceLost() const override { return lost_; }
    std::size_t write(const std::uint8_t* data, std::size_t count) override;
    void purgeRx() override;

    // The open descriptor, -1 when none (for tests and diagnostics).
    int fd() const { return fd_; }
    int readTimeoutMs() const override { return readTimeoutMs_; }

private:
    bool configure(int baudRate);
    // Gives the device up when an errno or a poll result says it has gone away.
    bool lostOnError(int error);
    bool lostOnEvents(short revents);
    void markLost();

    int fd_ = -1;
    int readTimeoutMs_ = 0;
    PortState state_ = PortState::NeverOpened;
    bool lost_ = false;
    std::string openName_; // the port name of the last successful open
    std::string lostName_; // the port name whose device went away
};

} // namespace korvel
