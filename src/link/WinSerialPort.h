#pragma once
#include "link/SerialPort.h"

#include <string>

namespace korvel {

// The serial port on Windows: the COM device opened exclusively and synchronously through
// the device namespace ("\\.\COM12"), line format and read time-out set on every open.
//
// Reads follow the port's total read time-out: a read of n bytes returns when n bytes have
// come or the time-out has run out, whichever is first. A time-out of 0 or less returns what
// has already arrived.
class WinSerialPort final : public SerialPort
{
public:
    WinSerialPort() = default;
    ~WinSerialPort() override;
    WinSerialPort(const WinSerialPort&) = delete;
    WinSerialPort& operator=(const WinSerialPort&) = delete;

    // Takes the user's port name ("COM3"). A device still open from an earlier call is
    // closed first: the open is exclusive, so the leaked handle would make it fail as busy.
    PortOpenResult open(const std::string& portName, int baudRate, int readTimeoutMs) override;
    // After close() the state is Failed: opened before, but unusable until opened again.
    void close() override;
    PortState state() const override { return state_; }

    bool setReadTimeout(int ms) override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t readAvailable(std::uint8_t* buffer, std::size_t count) override;
    // Windows has no descriptor to watch; callers look with readAvailable on a short timer.
    int readyDescriptor() const override { return -1; }
    bool deviceLost() const override { return lost_; }
    std::size_t write(const std::uint8_t* data, std::size_t count) override;
    void purgeRx() override;

    // For tests and diagnostics: a handle is held (open, or opened but not configured); the
    // bytes received and not yet read; the current read time-out.
    bool isHandleOpen() const { return handle_ != invalidHandle(); }
    std::size_t queued() { return isHandleOpen() ? queuedBytes() : 0; }
    int readTimeoutMs() const override { return readTimeoutMs_; }

private:
    static void* invalidHandle() { return reinterpret_cast<void*>(static_cast<std::intptr_t>(-1)); }
    bool configure(int baudRate);
    bool applyReadTimeout(int ms);
    // Bytes waiting in the driver's receive queue; also notices a device that has gone.
    unsigned long queuedBytes();
    void noteFailure(unsigned long error);

    void* handle_ = invalidHandle(); // HANDLE, kept opaque so callers need no <windows.h>
    int readTimeoutMs_ = 0;
    bool lost_ = false;
    PortState state_ = PortState::NeverOpened;
};

} // namespace korvel
