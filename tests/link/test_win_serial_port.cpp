// The Windows port through the real Win32 calls (under wine in the cross-build), against the
// simulators scripts/test-windows puts behind COM ports (WinSimPorts.h).
#include "FakeTransport.h"
#include "WinSimPorts.h"
#include "link/ComPortProbe.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/PortMessages.h"
#include "link/WinSerialPort.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace korvel::test {
namespace {

using Clock = std::chrono::steady_clock;

// Waits, bounded, until `done` holds; true when it did.
template <typename Done> bool waitUntil(Done done, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

Bytes identRequest()
{
    Bytes r{ACCESS_REG_READ | 1, REG_IDENT, IDENT_COUNT - 1};
    r.push_back(Crc8(r.data(), 3));
    return r;
}

bool listed(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(WinSerialPortOpen, FailuresAreWordedFromTheSystemsErrorCode)
{
    const std::string tail = ".\n\nОпрос веса не осуществляется.";
    struct Case
    {
        std::string name;
        PortOpenStatus status;
        int error;
        std::string text;
    };
    const std::vector<Case> cases = {
        {kNoSuchPort, PortOpenStatus::NotFound, 2,
         "Не могу открыть \"COM77\",\nтакого порта не существует" + tail},
        // Not a valid device name at all: neither "missing" nor "in use", so the number.
        {"COM<5>", PortOpenStatus::OtherError, 123,
         "Не могу открыть \"COM<5>\", код ошибки: 123" + tail},
    };
    for (const auto& c : cases) {
        WinSerialPort port;
        const ComPortOpening opening = openComPort(port, c.name, 9600, 200);
        EXPECT_TRUE(opening.attempted);
        EXPECT_EQ(opening.result.status, c.status) << c.name;
        EXPECT_EQ(opening.result.errorCode, c.error) << c.name;
        EXPECT_EQ(opening.message.text, c.text);
        EXPECT_EQ(port.state(), PortState::Failed);
        EXPECT_FALSE(port.isHandleOpen());
    }
}

TEST(WinSerialPortOpen, TwoDigitPortOpensAndCloses)
{
    WinSerialPort port;
    EXPECT_EQ(port.state(), PortState::NeverOpened);
    const ComPortOpening opening = openComPort(port, kSimSilent.port, 9600, 200);
    ASSERT_TRUE(opening.ok) << opening.result.errorCode;
    EXPECT_TRUE(opening.message.text.empty());
    EXPECT_EQ(port.state(), PortState::Open);
    EXPECT_EQ(port.readyDescriptor(), -1); // callers fall back to a timer
    // Opening the open object again hands the old handle back first.
    EXPECT_TRUE(openComPort(port, kSimSilent.port, 9600, 200).ok);
    port.close();
    EXPECT_EQ(port.state(), PortState::Failed);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.read(&byte, 1), 0u);
    EXPECT_EQ(port.readAvailable(&byte, 1), 0u);
}

class WinSerialPortOnSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(simLogPath(kSimHealthy).empty()) << "run through scripts/test-windows";
        ASSERT_TRUE(openComPort(port, kSimHealthy.port, 115200, 5000).ok);
        port.purgeRx();
    }
    void ask()
    {
        const Bytes request = identRequest();
        ASSERT_EQ(port.write(request.data(), request.size()), request.size());
    }
    bool replyQueued()
    {
        return waitUntil([this] { return port.queued() >= IDENT_COUNT + 3u; },
                         std::chrono::seconds(5));
    }

    WinSerialPort port;
};

TEST_F(WinSerialPortOnSim, ReadAvailableTakesWhatHasComeWithoutWaiting)
{
    std::uint8_t got[16] = {};
    // Nothing there: back at once, not after the 5 s read time-out.
    const auto before = Clock::now();
    EXPECT_EQ(port.readAvailable(got, sizeof got), 0u);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(2));

    ask();
    std::size_t n = 0;
    EXPECT_TRUE(waitUntil(
        [&] {
            n += port.readAvailable(got + n, sizeof got - n);
            return n >= IDENT_COUNT + 3u;
        },
        std::chrono::seconds(5)));
    ASSERT_EQ(n, IDENT_COUNT + 3u);
    EXPECT_EQ(got[0], ACCESS_REG_READ | 1);
    EXPECT_EQ(got[IDENT_COUNT + 2], Crc8(got, IDENT_COUNT + 2));
}

TEST_F(WinSerialPortOnSim, ReadsEndWithTheTotalTimeOut)
{
    std::uint8_t buffer[16] = {};
    // A reply shorter than asked for: what came, once the time-out has run out.
    ASSERT_TRUE(port.setReadTimeout(150));
    EXPECT_EQ(port.readTimeoutMs(), 150);
    ask();
    auto before = Clock::now();
    EXPECT_EQ(port.read(buffer, sizeof buffer), IDENT_COUNT + 3u);
    auto took = Clock::now() - before;
    EXPECT_GE(took, std::chrono::milliseconds(140));
    EXPECT_LT(took, std::chrono::seconds(3));

    // A time-out of 0 returns at once: without the special setting Windows would wait for
    // ever.
    ASSERT_TRUE(port.setReadTimeout(0));
    before = Clock::now();
    EXPECT_EQ(port.read(buffer, 4), 0u);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(2));
}

TEST_F(WinSerialPortOnSim, PurgeDropsWhatHasArrived)
{
    ask();
    ASSERT_TRUE(replyQueued());
    port.purgeRx();
    EXPECT_EQ(port.queued(), 0u);
    ASSERT_TRUE(port.setReadTimeout(100));
    std::uint8_t byte = 0;
    EXPECT_EQ(port.read(&byte, 1), 0u);
}

TEST(WinSerialPortLost, DeviceThatGoesAwayIsNoticedAndTheNextOpenForgetsIt)
{
    WinSerialPort port;
    ASSERT_TRUE(openComPort(port, kSimUnplugged.port, 115200, 50).ok);
    EXPECT_FALSE(port.deviceLost());
    // The script ends this simulator once it has heard a request.
    const Bytes request = identRequest();
    port.write(request.data(), request.size());
    std::uint8_t buffer[16];
    EXPECT_TRUE(waitUntil(
        [&] {
            port.read(buffer, sizeof buffer);
            return port.deviceLost();
        },
        std::chrono::seconds(20)));
    // Its port is gone with it (how the open fails depends on the driver: no such port here
    // with a plain link, a port that refuses its settings with wine's port registry).
    EXPECT_NE(port.open(kSimUnplugged.port, 115200, 50).status, PortOpenStatus::Ok);
    EXPECT_FALSE(port.deviceLost());
}

TEST(ComPortProbe, FindsTheMappedPortsIncludingOneHeldOpen)
{
    WinSerialPort held;
    ASSERT_TRUE(openComPort(held, kSimHealthy.port, 9600, 200).ok);
    const std::vector<std::string> names = probeComPorts();
    EXPECT_TRUE(listed(names, kSimHealthy.port));
    EXPECT_TRUE(listed(names, kSimSplit2.port));
    EXPECT_TRUE(listed(names, kSimSilent.port));
    EXPECT_FALSE(listed(names, kNoSuchPort));
}

} // namespace
} // namespace korvel::test
