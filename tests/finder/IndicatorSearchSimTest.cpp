// The search over the real link and port against the simulated indicator on a pty.
#include <gtest/gtest.h>

#include "finder/IndicatorSearch.h"
#include "link/Clock.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "sim/Simulator.h"

#include <memory>

using namespace korvel;
using korvel::sim::Simulator;
using korvel::sim::SimOptions;

namespace {

struct SearchRig
{
    explicit SearchRig(SimOptions o) : sim(std::move(o)) {}

    bool start()
    {
        std::string error;
        if (!sim.start(&error)) {
            ADD_FAILURE() << error;
            return false;
        }
        return true;
    }

    // Runs the search to its end; the probes it sent.
    void run(IndicatorSearch& search)
    {
        while (search.step()) {
        }
    }

    Simulator sim;
    PosixSerialPort port;
    LinkSettings linkSettings;
    Link link{port, systemClock(), linkSettings};
};

// Every frame the search sent is an identification read (no write ever); the addresses in
// the order they were asked.
std::vector<int> probedAddresses(const std::vector<Simulator::LoggedRequest>& log)
{
    std::vector<int> addresses;
    for (const auto& r : log) {
        EXPECT_TRUE(r.crcValid);
        EXPECT_EQ(r.bytes.size(), 4u);
        EXPECT_EQ(r.bytes[0] & 0xC0, ACCESS_REG_READ) << "not a register read";
        EXPECT_EQ(r.bytes[1], REG_IDENT);
        EXPECT_EQ(r.bytes[2], IDENT_COUNT - 1);
        addresses.push_back(r.bytes[0] & ACCESS_ADDRESS_MASK);
    }
    return addresses;
}

std::vector<int> oneToSixtyThree()
{
    std::vector<int> a;
    for (int i = 1; i <= 63; ++i)
        a.push_back(i);
    return a;
}

} // namespace

TEST(IndicatorSearchSim, FindsAnUnknownAddressAtTheConfiguredSpeedWithReadsOnly)
{
    SimOptions o;
    o.address = 37;
    o.model = 21;
    o.serial = {4, 2, 17};
    o.baud = 9600;
    o.strictBaud = true;
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());

    IndicatorSearch search(rig.port, rig.link, {rig.sim.slavePath()}, 9600, 5);
    rig.run(search);

    ASSERT_EQ(search.found().size(), 1u);
    EXPECT_EQ(search.found()[0],
              (FoundIndicator{rig.sim.slavePath(), 9600, 37, 21, "0402017"}));
    EXPECT_TRUE(search.unopened().empty());
    EXPECT_NE(rig.port.state(), PortState::Open) << "the search leaves the port closed";
    // One speed only: after the answer the other addresses of that speed, then the port is done.
    std::vector<int> expected = {5};
    for (int a : oneToSixtyThree())
        if (a != 5)
            expected.push_back(a);
    EXPECT_EQ(probedAddresses(rig.sim.requests()), expected);
    EXPECT_EQ(search.probesDone(), search.probesTotal());
}

TEST(IndicatorSearchSim, FindsAnIndicatorAtAnotherSpeedAndSkipsTheRest)
{
    SimOptions o; // address 1
    o.baud = 57600;
    o.strictBaud = true;
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());

    // A port that does not exist is noted and the search goes on with the next.
    IndicatorSearch search(rig.port, rig.link, {"/dev/korvel-no-such-port", rig.sim.slavePath()},
                           9600, 1);
    std::vector<int> speedsTried;
    while (!search.finished()) {
        if (speedsTried.empty() || speedsTried.back() != search.currentBaud())
            if (search.currentPort() == rig.sim.slavePath())
                speedsTried.push_back(search.currentBaud());
        search.step();
    }

    ASSERT_EQ(search.found().size(), 1u);
    EXPECT_EQ(search.found()[0], (FoundIndicator{rig.sim.slavePath(), 57600, 1, 3, "0507123"}));
    ASSERT_EQ(search.unopened().size(), 1u);
    EXPECT_EQ(search.unopened()[0].port, "/dev/korvel-no-such-port");
    EXPECT_EQ(speedsTried, (std::vector<int>{9600, 19200, 38400, 57600}));
    // 9600, 19200 and 38400 heard nothing; 57600 answered at address 1 and was scanned whole.
    const std::vector<int> addresses = probedAddresses(rig.sim.requests());
    ASSERT_EQ(addresses.size(), 4u * 63u);
    for (std::size_t speed = 0; speed < 4; ++speed)
        EXPECT_EQ(std::vector<int>(addresses.begin() + long(speed * 63),
                                   addresses.begin() + long((speed + 1) * 63)),
                  oneToSixtyThree())
            << speed;
}

TEST(IndicatorSearchSim, EveryIndicatorOnTheBusIsFoundAtTheRateTheyShare)
{
    SimOptions o;
    o.address = 12;
    o.moreAddresses = {3, 60};
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());
    IndicatorSearch search(rig.port, rig.link, {rig.sim.slavePath()}, 9600, 1);
    rig.run(search);
    const std::string port = rig.sim.slavePath();
    EXPECT_EQ(search.found(), (std::vector<FoundIndicator>{{port, 9600, 3, 3, "0507124"},
                                                           {port, 9600, 12, 3, "0507123"},
                                                           {port, 9600, 60, 3, "0507125"}}));
    EXPECT_EQ(probedAddresses(rig.sim.requests()), oneToSixtyThree()) << "one rate only";
}

TEST(IndicatorSearchSim, CancelStopsAtOnceAndClosesThePort)
{
    SimOptions o;
    o.address = 50;
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());
    IndicatorSearch search(rig.port, rig.link, {rig.sim.slavePath()}, 9600, 1);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(search.step());
    EXPECT_EQ(search.currentAddress(), 4);
    search.cancel();
    EXPECT_TRUE(search.finished());
    EXPECT_FALSE(search.step());
    EXPECT_NE(rig.port.state(), PortState::Open);
    EXPECT_EQ(rig.sim.requests().size(), 3u);
    EXPECT_TRUE(search.found().empty());
}

// A reply that fails its check is no answer: the probe neither repeats nor accepts it.
TEST(IndicatorSearchSim, ProbeTakesOnlyAGoodReplyFromTheAddressAsked)
{
    SimOptions o;
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.port.open(rig.sim.slavePath(), 9600, 32).status, PortOpenStatus::Ok);
    std::uint8_t rx[IDENT_COUNT + 3] = {};
    EXPECT_TRUE(rig.link.ProbeRead(0x81, REG_IDENT, IDENT_COUNT, rx));
    EXPECT_FALSE(rig.link.ProbeRead(0x82, REG_IDENT, IDENT_COUNT, rx));

    sim::SimFaults corrupt;
    corrupt.corruptEveryN = 1;
    rig.sim.setFaults(corrupt);
    rig.sim.clearRequests();
    EXPECT_FALSE(rig.link.ProbeRead(0x81, REG_IDENT, IDENT_COUNT, rx));
    EXPECT_EQ(rig.sim.requests().size(), 1u) << "a probe is never repeated";
}

// A stored rate the port cannot be set to (a pty, like many adapters, knows no 14400) costs
// that rate only: the search goes on at the others and the port is not noted as unopenable.
TEST(IndicatorSearchSim, ARateThePortRefusesIsSkippedAndTheOthersAreTried)
{
    SimOptions o;
    o.address = 1;
    SearchRig rig(o);
    ASSERT_TRUE(rig.start());
    IndicatorSearch search(rig.port, rig.link, {rig.sim.slavePath()}, 14400, 1);
    rig.run(search);
    EXPECT_TRUE(search.unopened().empty());
    ASSERT_EQ(search.found().size(), 1u);
    EXPECT_EQ(search.found()[0].baud, 9600);
    EXPECT_EQ(search.found()[0].address, 1);
    EXPECT_EQ(probedAddresses(rig.sim.requests()), oneToSixtyThree());
    EXPECT_EQ(search.probesDone(), search.probesTotal());
}
