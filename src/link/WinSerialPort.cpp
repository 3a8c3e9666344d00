#include "link/WinSerialPort.h"

#include "link/WinPortErrors.h"

#include <algorithm>
#include <limits>
#include <windows.h>

namespace korvel {

namespace {
PortOpenResult failure(PortOpenStatus status, unsigned long error = 0)
{
    return {status, static_cast<int>(error)};
}

DWORD chunk(std::size_t count)
{
    return static_cast<DWORD>(std::min<std::size_t>(count, std::numeric_limits<DWORD>::max()));
}
} // namespace

WinSerialPort::~WinSerialPort()
{
    close();
}

PortOpenResult WinSerialPort::open(const std::string& portName, int baudRate, int readTimeoutMs)
{
    close();
    lost_ = false;
    // Read and write, no sharing (exclusive), existing devices only, synchronous I/O.
    handle_ = ::CreateFileA(winDevicePath(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (!isHandleOpen()) {
        const DWORD error = ::GetLastError();
        state_ = PortState::Failed;
        return failure(portStatusFromWinError(error), error);
    }
    if (!configure(baudRate) || !applyReadTimeout(readTimeoutMs)) {
        // The device stays open: the caller closes it before the next open.
        state_ = PortState::Failed;
        return failure(PortOpenStatus::ConfigFailed);
    }
    readTimeoutMs_ = readTimeoutMs;
    state_ = PortState::Open;
    return {PortOpenStatus::Ok, 0};
}

bool WinSerialPort::configure(int baudRate)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(handle_, &dcb); // what the port reports; the fields below are ours
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    // No flow control: the indicator has no handshake lines and never sends XON/XOFF, and
    // its binary frames may hold those bytes.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    // Every byte passes unchanged, as on a raw POSIX line: a null byte in a frame is data,
    // a line error must not replace or drop bytes, nor stall reads until it is cleared.
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(handle_, &dcb) != 0;
}

bool WinSerialPort::applyReadTimeout(int ms)
{
    COMMTIMEOUTS timeouts{};
    ::GetCommTimeouts(handle_, &timeouts); // the write time-outs stay as the port has them
    if (ms > 0) {
        // Only the total: an interval or per-byte time-out left by another program would
        // end reads early or late.
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(ms);
    } else {
        // All zeros would wait for ever; this combination returns at once with what is there.
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
    }
    return ::SetCommTimeouts(handle_, &timeouts) != 0;
}

void WinSerialPort::close()
{
    if (isHandleOpen()) {
        ::CloseHandle(handle_);
        handle_ = invalidHandle();
        state_ = PortState::Failed;
    }
}

bool WinSerialPort::setReadTimeout(int ms)
{
    if (!isHandleOpen() || !applyReadTimeout(ms))
        return false;
    readTimeoutMs_ = ms;
    return true;
}

void WinSerialPort::noteFailure(unsigned long error)
{
    if (winDeviceGone(error))
        lost_ = true;
}

unsigned long WinSerialPort::queuedBytes()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle_, &errors, &status)) {
        noteFailure(::GetLastError());
        return 0;
    }
    return status.cbInQue;
}

std::size_t WinSerialPort::read(std::uint8_t* buffer, std::size_t count)
{
    if (state_ != PortState::Open || count == 0)
        return 0;
    DWORD got = 0;
    if (!::ReadFile(handle_, buffer, chunk(count), &got, nullptr)) {
        noteFailure(::GetLastError());
        return got;
    }
    // A short read is a time-out, or a device that has gone: only a status call tells.
    if (got < count)
        queuedBytes();
    return got;
}

std::size_t WinSerialPort::readAvailable(std::uint8_t* buffer, std::size_t count)
{
    if (state_ != PortState::Open || count == 0)
        return 0;
    const std::size_t queued = std::min<std::size_t>(count, queuedBytes());
    if (queued == 0)
        return 0;
    // The bytes are in the driver's queue already, so this read returns at once.
    DWORD got = 0;
    if (!::ReadFile(handle_, buffer, chunk(queued), &got, nullptr))
        noteFailure(::GetLastError());
    return got;
}

std::size_t WinSerialPort::write(const std::uint8_t* data, std::size_t count)
{
    if (state_ != PortState::Open)
        return 0;
    std::size_t sent = 0;
    while (sent < count) {
        DWORD n = 0;
        if (!::WriteFile(handle_, data + sent, chunk(count - sent), &n, nullptr)) {
            noteFailure(::GetLastError());
            break;
        }
        if (n == 0)
            break; // the write time-out ran out with the output queue full
        sent += n;
    }
    return sent;
}

void WinSerialPort::purgeRx()
{
    if (isHandleOpen())
        ::PurgeComm(handle_, PURGE_RXCLEAR);
}

} // namespace korvel
