// The simulator over a real pseudo-terminal, talked to by a raw client.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <termios.h>
#include <thread>

#include "RawClient.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "sim/Simulator.h"

using namespace korvel;
using namespace korvel::sim;
using korvel::sim::test::makeRequest;
using korvel::sim::test::RawClient;
using Bytes = std::vector<std::uint8_t>;

namespace {

bool replyValid(const Bytes& r)
{
    return r.size() >= 3 && Crc8(r.data(), r.size() - 1) == r.back();
}

class PtyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        logPath = ::testing::TempDir() + "/korvel_sim_pty_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        SimOptions o;
        o.logPath = logPath;
        sim = std::make_unique<Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        client = std::make_unique<RawClient>(sim->slavePath());
        ASSERT_TRUE(client->ok());
    }
    void TearDown() override
    {
        client.reset();
        if (sim)
            sim->stop();
        std::remove(logPath.c_str());
    }

    // Waits (bounded) until the simulator has logged `n` requests.
    std::vector<Simulator::LoggedRequest> waitForRequests(std::size_t n)
    {
        for (int i = 0; i < 200 && sim->requests().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return sim->requests();
    }

    std::string logPath;
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<RawClient> client;
};

TEST_F(PtyTest, AnswersWritesAndReadsWithExactBytes)
{
    // Command 17 at address 1: request 01 FF 11 B6, acknowledged with 01 B6.
    EXPECT_EQ(client->transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2), (Bytes{0x01, 0xB6}));

    Bytes ident = {0x81, 3, 123, 3, 5, 7};
    ident.push_back(Crc8(ident.data(), ident.size()));
    EXPECT_EQ(client->transact(0x81, REG_IDENT, 3, 7), ident);

    const Bytes display = client->transact(0x81, REG_DISPLAY, 15, 19);
    ASSERT_EQ(display.size(), 19u);
    EXPECT_EQ(display[0], 0x81);
    EXPECT_EQ(display[1], 15);
    EXPECT_TRUE(replyValid(display));

    const Bytes page = client->transact(0xC1, 0, 0xFF, 259);
    ASSERT_EQ(page.size(), 259u);
    EXPECT_TRUE(replyValid(page));
    EXPECT_EQ(page[2 + MEM_DECIMALS], 2);

    // Keys pressed over the wire reach the device.
    client->transact(0x01, REG_ARGUMENT, keys::B_PRINT, 2);
    client->transact(0x01, REG_COMMAND, CMD_KEYS_B, 2);
    EXPECT_EQ(sim->keyPresses(), 1);

    const auto log = waitForRequests(6);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].bytes, (Bytes{0x01, 0xFF, 0x11, 0xB6}));
    EXPECT_TRUE(log[0].crcValid);
}

TEST_F(PtyTest, BadCrcIsIgnoredAndLogged)
{
    Bytes bad = makeRequest(0x81, REG_DISPLAY, 15);
    bad[3] ^= 0x40;
    client->send(bad);
    EXPECT_TRUE(client->read(1, 200).empty());

    const auto log = waitForRequests(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_FALSE(log[0].crcValid);
    EXPECT_EQ(log[0].bytes, bad);

    // The next good request is answered as usual.
    EXPECT_EQ(client->transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2), (Bytes{0x01, 0xB6}));

    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("81 2A 0F"), std::string::npos);
    EXPECT_NE(text.str().find("crc=bad"), std::string::npos);
    EXPECT_NE(text.str().find("01 FF 11 B6 crc=ok"), std::string::npos);
}

TEST_F(PtyTest, OtherAddressesAreNotAnswered)
{
    EXPECT_TRUE(client->transact(0x02, REG_COMMAND, CMD_KEYBOARD_LOCK, 2, 200).empty());
    EXPECT_FALSE(sim->keyboardLocked());
}

// A search across speeds needs a device that, like a real one, only makes sense of frames
// sent at its own rate: the client's line speed is read from the terminal settings.
TEST(PtyLineSpeed, StrictBaudAnswersOnlyAtItsOwnRate)
{
    SimOptions o;
    o.baud = 57600;
    o.strictBaud = true;
    Simulator sim(o);
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    RawClient client(sim.slavePath());
    ASSERT_TRUE(client.ok());
    auto setSpeed = [&](speed_t speed) {
        termios tio{};
        ASSERT_EQ(tcgetattr(client.fd(), &tio), 0);
        cfsetspeed(&tio, speed);
        ASSERT_EQ(tcsetattr(client.fd(), TCSANOW, &tio), 0);
    };
    for (const auto& [speed, answered] :
         {std::pair{B9600, false}, {B115200, false}, {B57600, true}, {B19200, false}}) {
        setSpeed(speed);
        EXPECT_EQ(client.transact(0x81, REG_IDENT, 3, 7, 150).size(), answered ? 7u : 0u)
            << speed;
    }
    // Every request is logged, heard or not, so a test can see all that was sent.
    for (int i = 0; i < 100 && sim.requests().size() < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(sim.requests().size(), 4u);
}

TEST_F(PtyTest, StreamSendsValidFramesAtThePeriodUntilStopped)
{
    ASSERT_EQ(client->transact(0x01, REG_COMMAND, CMD_STREAM_START, 2).size(), 2u);
    const auto begin = std::chrono::steady_clock::now();
    const Bytes bytes = client->read(7 * 1000, 600);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    // Every 7 bytes is one valid frame: no stray bytes between them.
    ASSERT_EQ(bytes.size() % 7, 0u);
    const std::size_t frames = bytes.size() / 7;
    for (std::size_t i = 0; i < frames; ++i) {
        const Bytes f(bytes.begin() + static_cast<long>(7 * i),
                      bytes.begin() + static_cast<long>(7 * i + 7));
        ASSERT_EQ(f[0], 0x81) << i;
        ASSERT_EQ(f[1], 3) << i;
        ASSERT_TRUE(replyValid(f)) << i;
    }
    // Loose sanity only: about one frame per 7.5 ms.
    const double expected = elapsed / 0.0075;
    EXPECT_GT(frames, expected * 0.4);
    EXPECT_LT(frames, expected * 1.6 + 5);

    client->send(makeRequest(0x01, REG_COMMAND, CMD_STREAM_STOP));
    for (int i = 0; i < 200 && sim->streaming(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(sim->streaming());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    client->purge();
    EXPECT_TRUE(client->read(1, 100).empty()) << "nothing after the stop";
}

TEST_F(PtyTest, GarbageInTheStreamStillLeavesValidFrames)
{
    SimFaults f;
    f.garbageEveryNFrames = 2;
    sim->setFaults(f);
    client->transact(0x01, REG_COMMAND, CMD_STREAM_START, 2);
    const Bytes bytes = client->read(7 * 40, 2000);
    client->send(makeRequest(0x01, REG_COMMAND, CMD_STREAM_STOP));
    // Slide a window over the bytes as a receiver would.
    int valid = 0;
    for (std::size_t i = 0; i + 7 <= bytes.size(); ++i)
        valid += bytes[i] == 0x81 && bytes[i + 1] == 3 && Crc8(&bytes[i], 6) == bytes[i + 6];
    EXPECT_GE(valid, 20);
}

TEST_F(PtyTest, SilentDeviceAnswersNothingUntilToldOtherwise)
{
    SimFaults f;
    f.silent = true;
    sim->setFaults(f);
    EXPECT_TRUE(client->transact(0x01, REG_COMMAND, CMD_KEYBOARD_LOCK, 2, 200).empty());
    EXPECT_FALSE(sim->keyboardLocked());
    EXPECT_EQ(waitForRequests(1).size(), 1u) << "heard and logged all the same";

    sim->setFaults(SimFaults{});
    EXPECT_EQ(client->transact(0x01, REG_COMMAND, CMD_KEYBOARD_LOCK, 2).size(), 2u);
    EXPECT_TRUE(sim->keyboardLocked());
}

TEST_F(PtyTest, CorruptEveryNthSpoilsExactlyThoseReplies)
{
    SimFaults f;
    f.corruptEveryN = 3;
    sim->setFaults(f);
    for (int i = 1; i <= 6; ++i) {
        const Bytes r = client->transact(0x81, REG_IDENT, 3, 7);
        ASSERT_EQ(r.size(), 7u);
        EXPECT_EQ(replyValid(r), i % 3 != 0) << i;
    }
}

TEST_F(PtyTest, SplitReplyArrivesInPiecesAndJoinsUp)
{
    SimFaults f;
    f.splitPieces = 2;
    f.splitPauseMs = 300;
    sim->setFaults(f);
    client->purge();
    client->send(makeRequest(0x81, REG_DISPLAY, 15));
    const Bytes first = client->read(1, 1000);
    ASSERT_EQ(first.size(), 1u);
    // The second half is 300 ms behind the first.
    EXPECT_LT(client->pending(), 18);
    Bytes reply = first;
    const Bytes rest = client->read(18, 2000);
    reply.insert(reply.end(), rest.begin(), rest.end());
    ASSERT_EQ(reply.size(), 19u);
    EXPECT_TRUE(replyValid(reply));
}

TEST_F(PtyTest, ClientMayCloseAndReopenThePort)
{
    client.reset();
    client = std::make_unique<RawClient>(sim->slavePath());
    ASSERT_TRUE(client->ok());
    EXPECT_EQ(client->transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2), (Bytes{0x01, 0xB6}));
}

// The adapter pulled out and plugged back in: the client's terminal is hung up, the link
// disappears, and after the replug the link leads to a new pty on which the same device
// (its state kept) answers.
TEST(PtyUnplug, UnplugHangsTheClientUpAndReplugAnswersOnANewPty)
{
    SimOptions o;
    o.linkPath = ::testing::TempDir() + "/korvel_sim_unplug.tty";
    Simulator sim(o);
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    RawClient before(o.linkPath);
    ASSERT_TRUE(before.ok());
    before.transact(0x01, REG_COMMAND, CMD_KEYBOARD_LOCK, 2);
    ASSERT_TRUE(sim.keyboardLocked());

    ASSERT_TRUE(sim.unplug());
    EXPECT_FALSE(sim.plugged());
    EXPECT_EQ(sim.slavePath(), "");
    struct stat st
    {
    };
    EXPECT_NE(::lstat(o.linkPath.c_str(), &st), 0) << "the link goes with the adapter";
    pollfd pfd{before.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    EXPECT_TRUE(pfd.revents & POLLHUP);

    ASSERT_TRUE(sim.replug(&error)) << error;
    EXPECT_TRUE(sim.plugged());
    char target[256] = {};
    ASSERT_GT(::readlink(o.linkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim.slavePath(), target);
    RawClient after(o.linkPath);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.transact(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK, 2), (Bytes{0x01, 0xB6}));
    EXPECT_FALSE(sim.keyboardLocked());
    EXPECT_TRUE(sim.replug()) << "plugging in what is plugged in changes nothing";

    sim.stop();
    EXPECT_NE(::lstat(o.linkPath.c_str(), &st), 0);
}

TEST(PtyCounting, FramesCarryTheirNumberAndTheLogCountsThem)
{
    const std::string logPath = ::testing::TempDir() + "/korvel_sim_pty_counting.log";
    SimOptions o;
    o.logPath = logPath;
    o.periodMs = 2;
    o.streamPattern = StreamPattern::Counting;
    Simulator sim(o);
    ASSERT_TRUE(sim.start());
    RawClient client(sim.slavePath());
    for (int run = 0; run < 2; ++run) { // every start command counts from 0 again
        ASSERT_EQ(client.transact(0x01, REG_COMMAND, CMD_STREAM_START, 2).size(), 2u);
        const Bytes bytes = client.read(7 * 20, 2000);
        ASSERT_EQ(bytes.size(), 7u * 20);
        for (std::size_t i = 0; i < 20; ++i) {
            const std::uint8_t* f = &bytes[7 * i];
            ASSERT_TRUE(replyValid(Bytes(f, f + 7))) << i;
            EXPECT_EQ(f[2] | f[3] << 8 | f[4] << 16, int(i)) << i;
            EXPECT_EQ(f[5], (i >> 4) & 0xFF) << i;
        }
        client.send(makeRequest(0x01, REG_COMMAND, CMD_STREAM_STOP));
        for (int i = 0; i < 200 && sim.streaming(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        client.purge();
    }
    const long sent = sim.streamFramesSent();
    EXPECT_GE(sent, 20);
    sim.stop();

    std::ifstream in(logPath);
    std::string line;
    std::vector<std::string> notes;
    while (std::getline(in, line))
        if (line.find(" # ") != std::string::npos)
            notes.push_back(line.substr(line.find(" # ") + 3));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1], "stream ended: " + std::to_string(sent) + " frames sent");
    std::remove(logPath.c_str());
}

TEST(PtyPacing, BaudRateMakesLineTimeReal)
{
    SimOptions o;
    o.baud = 1200; // 8.3 ms a byte: 259 bytes take over two seconds on the line
    Simulator sim(o);
    ASSERT_TRUE(sim.start());
    RawClient client(sim.slavePath());
    client.send(makeRequest(0xC1, 0, 0xFF));
    // After 300 ms far fewer than the 259 reply bytes can have come.
    const Bytes early = client.read(259, 300);
    EXPECT_LT(early.size(), 100u);
    const Bytes rest = client.read(259 - early.size(), 5000);
    EXPECT_EQ(early.size() + rest.size(), 259u);
}

TEST(PtyImage, ImageIsLoadedAtStartAndSavedAtStop)
{
    const std::string path = ::testing::TempDir() + "/korvel_sim_pty_image.bin";
    std::remove(path.c_str());
    SimOptions o;
    o.imagePath = path;
    {
        Simulator sim(o);
        ASSERT_TRUE(sim.start());
        RawClient client(sim.slavePath());
        client.transact(0x01, REG_PAGE, 9, 2);
        client.transact(0x41, 200, 0x77, 2);
        sim.stop();
    }
    {
        Simulator sim(o);
        ASSERT_TRUE(sim.start());
        EXPECT_EQ(sim.memoryPage(9)[200], 0x77);
    }
    std::remove(path.c_str());
}

TEST(PtyImage, RefusedAccessesChangeNothingAndAWriteDoneSavesAtOnce)
{
    const std::string path = ::testing::TempDir() + "/korvel_sim_pty_commit.bin";
    std::remove(path.c_str());
    SimOptions o;
    o.imagePath = path;
    o.faults.failPageSelect = 2;
    o.faults.failWritePage = 9;
    o.faults.failWriteOffset = 5;
    Simulator sim(o);
    ASSERT_TRUE(sim.start());
    RawClient client(sim.slavePath());
    const Bytes select9 = makeRequest(0x01, REG_PAGE, 9);
    EXPECT_EQ(client.transact(0x01, REG_PAGE, 9, 2), (Bytes{0x01, select9[3]}));
    const Bytes refused = client.transact(0x01, REG_PAGE, 2, 2);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_NE(refused[1], makeRequest(0x01, REG_PAGE, 2)[3]) << "a wrong acknowledgement";
    const std::uint8_t before5 = sim.memoryPage(9)[5];
    EXPECT_NE(client.transact(0x41, 5, static_cast<std::uint8_t>(~before5), 2)[1],
              makeRequest(0x41, 5, static_cast<std::uint8_t>(~before5))[3]);
    client.transact(0x41, 6, 0x66, 2); // still page 9: the refused select changed nothing
    EXPECT_EQ(sim.memoryPage(9)[5], before5);
    EXPECT_EQ(sim.memoryPage(9)[6], 0x66);
    EXPECT_EQ(sim.memoryPage(2)[6], MemoryImage().at(2, 6));

    EXPECT_EQ(client.transact(0x01, REG_COMMAND, CMD_WRITE_DONE, 2).size(), 2u);
    EXPECT_EQ(sim.writeDoneCount(), 1);
    std::ifstream saved(path, std::ios::binary); // saved while the simulator still runs
    const std::string bytes{std::istreambuf_iterator<char>(saved), {}};
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(MemoryImage::SIZE));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[9 * 256 + 6]), 0x66);
    sim.stop();
    std::remove(path.c_str());
}

} // namespace
