#include "link/PosixSerialPort.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace korvel {

std::string portDevicePath(const std::string& commName)
{
    if (commName.size() > 3) {
        const bool comPrefix = std::toupper(static_cast<unsigned char>(commName[0])) == 'C' &&
                               std::toupper(static_cast<unsigned char>(commName[1])) == 'O' &&
                               std::toupper(static_cast<unsigned char>(commName[2])) == 'M';
        bool digits = comPrefix && commName.size() <= 3 + 6;
        for (std::size_t i = 3; digits && i < commName.size(); ++i)
            digits = std::isdigit(static_cast<unsigned char>(commName[i])) != 0;
        if (digits) {
            const long number = std::stol(commName.substr(3));
            if (number >= 1)
                return "/dev/ttyS" + std::to_string(number - 1);
        }
    }
    if (!commName.empty() && commName[0] == '/')
        return commName;
    return "/dev/" + commName;
}

PortOpenStatus portStatusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return PortOpenStatus::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
        return PortOpenStatus::Busy;
    case EACCES:
    case EPERM:
        return PortOpenStatus::AccessDenied;
    default:
        return PortOpenStatus::OtherError;
    }
}

namespace {

speed_t speedFor(int baudRate)
{
    switch (baudRate) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 500000:
        return B500000;
    case 576000:
        return B576000;
    case 921600:
        return B921600;
    case 1000000:
        return B1000000;
    case 1152000:
        return B1152000;
    case 1500000:
        return B1500000;
    case 2000000:
        return B2000000;
    default:
        return B0; // not a rate this backend can set
    }
}

PortOpenResult failure(PortOpenStatus status, int error = 0)
{
    return {status, error};
}

} // namespace

PosixSerialPort::~PosixSerialPort()
{
    close();
}

namespace {
// The serial driver creates its ttyS nodes whether or not a UART sits behind them; such a
// node opens but answers every terminal call with EIO (or reports an unknown UART). For the
// user that port does not exist, which is what they are told.
bool noDeviceBehind(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0 && errno == EIO)
        return true;
    serial_struct serial{};
    return ::ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type == PORT_UNKNOWN;
}
} // namespace

PortOpenResult PosixSerialPort::open(const std::string& portName, int baudRate, int readTimeoutMs)
{
    close();
    // The loss belongs to the device that went away. Once another port is asked for, a
    // failure is that port's own (it does not exist, it is busy), not an adapter still away.
    if (portName != lostName_)
        lost_ = false;
    const std::string path = portDevicePath(portName);
    // Non-blocking, so a modem line cannot hold up the open; reads wait in poll().
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        state_ = PortState::Failed;
        return failure(portStatusFromErrno(error), error);
    }
    // Exclusive like a Windows COM port. The advisory lock is what other well-behaved
    // programs, and a second copy of this one, respect; TIOCEXCL then keeps out every other
    // open (root excepted).
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        state_ = PortState::Failed;
        return failure(portStatusFromErrno(error), error);
    }
    ::ioctl(fd_, TIOCEXCL);
    if (noDeviceBehind(fd_)) {
        close();
        state_ = PortState::Failed;
        return failure(PortOpenStatus::NotFound, ENXIO);
    }
    if (!configure(baudRate)) {
        // The device stays open: the caller closes it before the next open.
        state_ = PortState::Failed;
        return failure(PortOpenStatus::ConfigFailed);
    }
    readTimeoutMs_ = readTimeoutMs;
    state_ = PortState::Open;
    lost_ = false;
    openName_ = portName;
    return {PortOpenStatus::Ok, 0};
}

bool PosixSerialPort::configure(int baudRate)
{
    const speed_t speed = speedFor(baudRate);
    termios tio{};
    if (speed == B0 || ::tcgetattr(fd_, &tio) != 0)
        return false;
    // Raw 8N1: no echo, no line editing, no character translation, no flow control.
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return false;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
        return false;
    // tcsetattr succeeds when any part was applied; make sure the rate and format stuck.
    termios applied{};
    if (::tcgetattr(fd_, &applied) != 0 || ::cfgetospeed(&applied) != speed ||
        (applied.c_cflag & CSIZE) != CS8 || (applied.c_cflag & (PARENB | CSTOPB)) != 0)
        return false;

    // DTR and RTS held inactive. Pseudo-terminals and some adapters have no modem lines.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &lines);

    // USB adapters otherwise hold received bytes back for up to 16 ms. Optional.
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd_, TIOCSSERIAL, &serial);
    }
    return true;
}

void PosixSerialPort::close()
{
    if (fd_ >= 0) {
        // Exclusivity belongs to the terminal, not to this descriptor: it would outlive us
        // while anything else (a simulator holding the slave side) keeps the device open.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_); // also releases the lock
        fd_ = -1;
        state_ = PortState::Failed;
    }
}

bool PosixSerialPort::lostOnError(int error)
{
    // A pulled USB adapter fails its calls with one of these, depending on the driver and
    // on how far its removal has gone.
    if (error != EIO && error != ENXIO && error != ENODEV)
        return false;
    markLost();
    return true;
}

bool PosixSerialPort::lostOnEvents(short revents)
{
    // The terminal was hung up (the device is gone, or the other end of a pseudo-terminal
    // closed). CLOCAL is set, so a dropped carrier never looks like this.
    if (!(revents & (POLLHUP | POLLERR | POLLNVAL)))
        return false;
    markLost();
    return true;
}

void PosixSerialPort::markLost()
{
    lost_ = true;
    lostName_ = openName_;
    close();
}

bool PosixSerialPort::setReadTimeout(int ms)
{
    if (fd_ < 0)
        return false;
    readTimeoutMs_ = ms;
    return true;
}

std::size_t PosixSerialPort::read(std::uint8_t* buffer, std::size_t count)
{
    if (state_ != PortState::Open || count == 0)
        return 0;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(readTimeoutMs_);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A raw terminal read returns 0 or EAGAIN while nothing is there; poll() tells a
        // hang-up apart (a hung-up terminal reads 0 for ever).
        if (n < 0 && errno != EAGAIN) {
            lostOnError(errno);
            break; // report what came
        }
        const auto left = deadline - clock::now();
        if (left <= clock::duration::zero())
            break;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = ::ppoll(&pfd, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && !(pfd.revents & POLLIN)) {
            lostOnEvents(pfd.revents);
            break;
        }
        if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR))) {
            // Data and a hang-up together: take what is still there, then give up.
            const ssize_t last = ::read(fd_, buffer + got, count - got);
            if (last > 0)
                got += static_cast<std::size_t>(last);
            lostOnEvents(pfd.revents);
            break;
        }
    }
    return got;
}

std::size_t PosixSerialPort::readAvailable(std::uint8_t* buffer, std::size_t count)
{
    if (state_ != PortState::Open || count == 0)
        return 0;
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            lostOnError(errno);
            return got;
        }
        break; // nothing more has arrived, or the terminal was hung up
    }
    if (got < count) {
        // A hung-up terminal reads as empty; only poll() tells it from a quiet line.
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 0) > 0)
            lostOnEvents(pfd.revents);
    }
    return got;
}

std::size_t PosixSerialPort::write(const std::uint8_t* data, std::size_t count)
{
    if (state_ != PortState::Open)
        return 0;
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(fd_, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            lostOnError(errno);
            break;
        }
        // Output queue full: wait for room, but never hang on a stuck driver.
        pollfd pfd{fd_, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, 1000);
        if (ready > 0 && lostOnEvents(pfd.revents))
            break;
        if (ready <= 0 || !(pfd.revents & POLLOUT))
            break;
    }
    return sent;
}

void PosixSerialPort::purgeRx()
{
    if (fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) != 0)
        lostOnError(errno);
}

} // namespace korvel
