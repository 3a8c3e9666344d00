// The POSIX port: how names and errors map, then the port on real pseudo-terminals and
// openComPort's wording of what happened.
#include "FakeTransport.h"
#include "link/PortMessages.h"
#include "link/PosixSerialPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace korvel {
namespace {

TEST(PortDevicePath, MapsUserNames)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"COM1", "/dev/ttyS0"},
        {"COM12", "/dev/ttyS11"},
        {"com3", "/dev/ttyS2"},
        {"COM0", "/dev/COM0"},
        {"COMX", "/dev/COMX"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"pts/3", "/dev/pts/3"},
        {"serial/by-id/usb-x", "/dev/serial/by-id/usb-x"},
        {"/tmp/korvel-port", "/tmp/korvel-port"},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(portDevicePath(name), path) << name;
}

TEST(PortStatusFromErrno, GroupsErrors)
{
    const std::vector<std::pair<int, PortOpenStatus>> cases = {
        {ENOENT, PortOpenStatus::NotFound},    {ENODEV, PortOpenStatus::NotFound},
        {ENXIO, PortOpenStatus::NotFound},     {EBUSY, PortOpenStatus::Busy},
        {EWOULDBLOCK, PortOpenStatus::Busy},   {EACCES, PortOpenStatus::AccessDenied},
        {EPERM, PortOpenStatus::AccessDenied}, {EIO, PortOpenStatus::OtherError},
    };
    for (const auto& [error, status] : cases)
        EXPECT_EQ(portStatusFromErrno(error), status) << error;
}

// A pseudo-terminal whose slave stands in for the serial device; the test plays the
// indicator on the master side.
class PtyPort : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        path_ = name;
    }
    void TearDown() override
    {
        ::close(slave_);
        ::close(master_);
    }

    // Everything the master can read within a short wait.
    test::Bytes drainMaster()
    {
        test::Bytes out;
        pollfd pfd{master_, POLLIN, 0};
        while (::poll(&pfd, 1, 200) > 0 && (pfd.revents & POLLIN)) {
            std::uint8_t chunk[256];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            out.insert(out.end(), chunk, chunk + n);
        }
        return out;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

TEST_F(PtyPort, ReadAvailableTakesWhatHasComeWithoutWaiting)
{
    PosixSerialPort port;
    EXPECT_EQ(port.readyDescriptor(), -1);
    ASSERT_TRUE(openComPort(port, path_, 9600, 5000).ok);
    EXPECT_EQ(port.readyDescriptor(), port.fd());

    std::uint8_t got[16] = {};
    // Nothing there: back at once, not after the 5 s read time-out.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(port.readAvailable(got, sizeof got), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    const test::Bytes sent{1, 2, 3};
    ASSERT_EQ(::write(master_, sent.data(), sent.size()), 3);
    pollfd pfd{port.readyDescriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    EXPECT_EQ(port.readAvailable(got, sizeof got), 3u);
    EXPECT_EQ(test::Bytes(got, got + 3), sent);

    port.close();
    EXPECT_EQ(port.readAvailable(got, sizeof got), 0u);
    EXPECT_EQ(port.readyDescriptor(), -1);
}

TEST_F(PtyPort, OpensRaw8N1AndPassesEveryByteUnchanged)
{
    PosixSerialPort port;
    EXPECT_EQ(port.state(), PortState::NeverOpened);
    const ComPortOpening opening = openComPort(port, path_, 9600, 200);
    ASSERT_TRUE(opening.ok);
    EXPECT_TRUE(opening.message.text.empty());
    EXPECT_EQ(port.state(), PortState::Open);

    termios tio{};
    ASSERT_EQ(::tcgetattr(port.fd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));

    // Control characters a cooked terminal would eat or translate.
    const test::Bytes special{0x0D, 0x0A, 0x03, 0x11, 0x13, 0x7F, 0xFF, 0x00, 0x1A, 0x04};
    ASSERT_EQ(::write(master_, special.data(), special.size()),
              static_cast<ssize_t>(special.size()));
    test::Bytes got(special.size());
    EXPECT_EQ(port.read(got.data(), got.size()), special.size());
    EXPECT_EQ(got, special);

    EXPECT_EQ(port.write(special.data(), special.size()), special.size());
    EXPECT_EQ(drainMaster(), special);
}

TEST_F(PtyPort, ReadReturnsWhatCameWhenTheTimeOutRunsOut)
{
    PosixSerialPort port;
    ASSERT_TRUE(openComPort(port, path_, 115200, 50).ok);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.read(buffer, 4), 0u);

    const std::uint8_t three[] = {1, 2, 3};
    ASSERT_EQ(::write(master_, three, 3), 3);
    EXPECT_EQ(port.read(buffer, 8), 3u);
    EXPECT_EQ(buffer[2], 3);

    // A reply trickling in is collected until complete.
    std::thread indicator([this] {
        const std::uint8_t first = 7, rest[] = {8, 9};
        ::write(master_, &first, 1);
        ::usleep(30000);
        ::write(master_, rest, 2);
    });
    ASSERT_TRUE(port.setReadTimeout(2000));
    EXPECT_EQ(port.read(buffer, 3), 3u);
    indicator.join();
    EXPECT_EQ(buffer[2], 9);
    port.setReadTimeout(50);

    // Stale bytes are gone after a purge.
    ASSERT_EQ(::write(master_, three, 3), 3);
    ::usleep(20000);
    port.purgeRx();
    EXPECT_EQ(port.read(buffer, 1), 0u);
}

TEST_F(PtyPort, SecondOpenOfTheSamePortIsBusy)
{
    PosixSerialPort first;
    ASSERT_TRUE(openComPort(first, path_, 9600, 200).ok);
    PosixSerialPort second;
    const ComPortOpening opening = openComPort(second, path_, 9600, 200);
    EXPECT_FALSE(opening.ok);
    EXPECT_EQ(opening.result.status, PortOpenStatus::Busy);
    EXPECT_EQ(opening.message.text,
              "Не могу открыть \"" + path_ + "\", порт занят.\n\nОпрос веса не осуществляется.");
    EXPECT_EQ(second.state(), PortState::Failed);

    // Once the first lets go, the port opens again; reopening the same object closes its
    // previous descriptor instead of locking itself out.
    first.close();
    EXPECT_EQ(first.state(), PortState::Failed);
    EXPECT_TRUE(openComPort(second, path_, 9600, 200).ok);
    EXPECT_TRUE(openComPort(second, path_, 9600, 200).ok);
}

TEST_F(PtyPort, ExclusivityEndsWithTheClose)
{
    // The test keeps the slave open, as a simulator does; a stale exclusive flag would lock
    // every user but root out of the next open.
    PosixSerialPort port;
    ASSERT_TRUE(openComPort(port, path_, 9600, 200).ok);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    port.close();
    ASSERT_EQ(::ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST_F(PtyPort, RefusedBaudRateLeavesThePortOpenButFailed)
{
    PosixSerialPort port;
    const ComPortOpening opening = openComPort(port, path_, 12345, 200);
    EXPECT_FALSE(opening.ok);
    EXPECT_EQ(opening.result.status, PortOpenStatus::ConfigFailed);
    EXPECT_EQ(opening.message.text,
              "Необходимые параметры порта \"" + path_ + "\"\nне установлены");
    EXPECT_EQ(port.state(), PortState::Failed);
    EXPECT_GE(port.fd(), 0);
    // Link calls fail on a port that is not configured.
    std::uint8_t byte = 0;
    EXPECT_EQ(port.read(&byte, 1), 0u);
    port.close();
    EXPECT_EQ(port.fd(), -1);
    EXPECT_TRUE(openComPort(port, path_, 9600, 200).ok);
}

// Pulling a USB adapter out hangs its terminal up, as closing a pty's master does. Whichever
// call meets it first, the port lets the descriptor go at once (the device name can then come
// back unchanged), later calls fail without waiting, and only a successful open clears it.
TEST_F(PtyPort, APulledOutDeviceIsNoticedByEveryCallAndLetGo)
{
    struct Case
    {
        const char* call;
        std::function<std::size_t(PosixSerialPort&)> run;
    };
    const Case cases[] = {
        {"read",
         [](PosixSerialPort& p) {
             std::uint8_t b[4];
             return p.read(b, 4);
         }},
        {"readAvailable",
         [](PosixSerialPort& p) {
             std::uint8_t b[4];
             return p.readAvailable(b, 4);
         }},
        {"write",
         [](PosixSerialPort& p) {
             const std::uint8_t b[4] = {1, 2, 3, 4};
             return p.write(b, 4);
         }},
        {"purgeRx",
         [](PosixSerialPort& p) {
             p.purgeRx();
             return std::size_t{0};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        char name[256] = {};
        int master = -1, slave = -1;
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        PosixSerialPort port;
        // A long time-out: a read that waited for it would show as a hung test.
        ASSERT_EQ(port.open(name, 9600, 60000).status, PortOpenStatus::Ok);
        EXPECT_FALSE(port.deviceLost());

        ::close(master);
        EXPECT_EQ(c.run(port), 0u);
        EXPECT_TRUE(port.deviceLost());
        EXPECT_EQ(port.fd(), -1);
        EXPECT_EQ(port.state(), PortState::Failed);
        EXPECT_EQ(port.readyDescriptor(), -1);

        // Still away: a failed open keeps the loss; a device that is back clears it.
        EXPECT_NE(port.open(name, 9600, 200).status, PortOpenStatus::Ok);
        EXPECT_TRUE(port.deviceLost());
        EXPECT_EQ(port.open(path_, 9600, 200).status, PortOpenStatus::Ok);
        EXPECT_FALSE(port.deviceLost());
    }
}

// The loss belongs to the port that went away: asking for another name that does not open
// is that port's own failure, so the caller shows the port state instead of waiting for an
// adapter; asking for the lost name again still finds it away.
TEST(PosixSerialPortLost, AnotherPortNameForgetsTheLoss)
{
    char name[256] = {};
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    PosixSerialPort port;
    ASSERT_EQ(port.open(name, 9600, 200).status, PortOpenStatus::Ok);
    ::close(master);
    std::uint8_t b[4];
    port.read(b, 4);
    ASSERT_TRUE(port.deviceLost());

    EXPECT_NE(port.open(name, 9600, 200).status, PortOpenStatus::Ok);
    EXPECT_TRUE(port.deviceLost()) << "the same port, still away";
    for (const char* other : {"ttyKORVEL_MISSING", ""}) {
        SCOPED_TRACE(other);
        EXPECT_NE(port.open(other, 9600, 200).status, PortOpenStatus::Ok);
        EXPECT_FALSE(port.deviceLost());
    }
    EXPECT_NE(port.open(name, 9600, 200).status, PortOpenStatus::Ok);
    EXPECT_FALSE(port.deviceLost()) << "once forgotten, the loss does not come back";
}

TEST(PosixSerialPortOpen, MissingPortIsNamedInQuotes)
{
    PosixSerialPort port;
    const ComPortOpening opening = openComPort(port, "ttyKORVEL_MISSING", 9600, 200);
    EXPECT_TRUE(opening.attempted);
    EXPECT_EQ(opening.result.status, PortOpenStatus::NotFound);
    EXPECT_EQ(opening.message.text, "Не могу открыть \"ttyKORVEL_MISSING\",\nтакого порта не "
                                    "существует.\n\nОпрос веса не осуществляется.");
    EXPECT_EQ(port.state(), PortState::Failed);
}

TEST(PosixSerialPortOpen, EmptyNameIsNeverOpened)
{
    std::vector<std::string> log;
    test::FakeSerialPort port(log);
    const ComPortOpening opening = openComPort(port, "", 9600, 200);
    EXPECT_FALSE(opening.ok);
    EXPECT_FALSE(opening.attempted);
    EXPECT_EQ(opening.message.text, "COM-порт не задан.");
    EXPECT_EQ(port.openCalls, 0);
    EXPECT_EQ(port.state(), PortState::NeverOpened);
}

TEST(PosixSerialPortOpen, OtherErrorsShowTheirCode)
{
    // A directory opens with EISDIR, an error no other message covers.
    PosixSerialPort port;
    const ComPortOpening opening = openComPort(port, "/tmp", 9600, 200);
    EXPECT_EQ(opening.result.status, PortOpenStatus::OtherError);
    EXPECT_EQ(opening.message.text,
              "Не могу открыть \"/tmp\", код ошибки: " + std::to_string(EISDIR) +
                  ".\n\nОпрос веса не осуществляется.");
}

} // namespace
} // namespace korvel
