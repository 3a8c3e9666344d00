// The link's exact behaviour on a scripted port and virtual time: every byte written, every
// read call with its requested count, every sleep, purge and trace, in order.
#include "FakeIndicator.h"
#include "FakeTransport.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/Link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class LinkOnFake : public ::testing::Test
{
protected:
    LinkOnFake()
    {
        link.onTrace = [this](const TraceLines& lines) {
            traces.push_back(lines);
            log.push_back("trace " + lines.panel3);
        };
    }

    static Bytes readReply(std::uint8_t address, const Bytes& data)
    {
        Bytes reply{static_cast<std::uint8_t>(address | 0x80),
                    static_cast<std::uint8_t>(data.size() - 1)};
        reply.insert(reply.end(), data.begin(), data.end());
        reply.push_back(Crc8(reply.data(), reply.size()));
        return reply;
    }

    std::vector<std::string> log;
    FakeSerialPort port{log};
    FakeClock clock{log};
    LinkSettings settings;
    Link link{port, clock, settings};
    std::vector<TraceLines> traces;
};

// Write to register 255 of indicator 1 with value 17: the request CRC is 0xB6.
const std::vector<std::string> kWriteAttempt = {"sleep 15", "purge",   "write 01 FF 11 B6",
                                                "sleep 1",  "sleep 1", "read 2 -> 2"};

TEST_F(LinkOnFake, HealthyWriteIsOneAttempt)
{
    port.scriptReply({{0x01, 0xB6}});
    EXPECT_TRUE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
    EXPECT_THAT(log, ElementsAreArray(kWriteAttempt));
    EXPECT_EQ(link.RxBuffer[1], 0xB6);
}

TEST_F(LinkOnFake, AcknowledgementFromAnotherAddressIsAccepted)
{
    port.scriptReply({{0x3E, 0xB6}});
    EXPECT_TRUE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
}

TEST_F(LinkOnFake, ReadAsksForCountMinusOneAndWaitsForCountPlusThree)
{
    struct Case
    {
        std::uint8_t first, reg;
        int count;
        std::string request;
    };
    const Case cases[] = {
        {ACCESS_REG_READ | 1, REG_DISPLAY, 1, "81 2A 00"},
        {ACCESS_MEM_READ | 1, 0, 256, "C1 00 FF"},
        {ACCESS_REG_READ | 1, REG_DISPLAY, 16, "81 2A 0F F1"},
    };
    for (const auto& c : cases) {
        log.clear();
        Bytes data(static_cast<std::size_t>(c.count));
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<std::uint8_t>(i * 3);
        const Bytes reply = readReply(1, data);
        port.scriptReply({reply});
        std::array<std::uint8_t, 259> buffer{};
        ASSERT_TRUE(link.DeviceRead(c.first, c.reg, c.count, buffer.data())) << c.request;
        ASSERT_EQ(log.size(), 6u);
        EXPECT_EQ(log[0], "sleep 10");
        EXPECT_EQ(log[1], "purge");
        EXPECT_EQ(log[2].substr(0, 6 + c.request.size()), "write " + c.request);
        EXPECT_EQ(log[5],
                  "read " + std::to_string(c.count + 3) + " -> " + std::to_string(c.count + 3));
        EXPECT_TRUE(std::equal(reply.begin(), reply.end(), buffer.begin()));
    }
}

TEST_F(LinkOnFake, ReplyMayNeedThreeReadsButNotFour)
{
    const Bytes reply = readReply(1, Bytes(16, 0x42));
    // 19 bytes in 1, 2, 3 and 4 pieces.
    const std::vector<Pieces> splits = {
        {reply},
        {Bytes(reply.begin(), reply.begin() + 9), Bytes(reply.begin() + 9, reply.end())},
        {Bytes(reply.begin(), reply.begin() + 1), Bytes(reply.begin() + 1, reply.begin() + 18),
         Bytes(reply.begin() + 18, reply.end())},
        {Bytes(reply.begin(), reply.begin() + 5), Bytes(reply.begin() + 5, reply.begin() + 10),
         Bytes(reply.begin() + 10, reply.begin() + 15), Bytes(reply.begin() + 15, reply.end())},
    };
    const std::vector<std::vector<std::string>> reads = {
        {"read 19 -> 19"},
        {"read 19 -> 9", "read 10 -> 10"},
        {"read 19 -> 1", "read 18 -> 17", "read 1 -> 1"},
        {"read 19 -> 5", "read 14 -> 5", "read 9 -> 5"},
    };
    for (std::size_t k = 0; k < splits.size(); ++k) {
        log.clear();
        port.scriptReply(splits[k]);
        std::uint8_t buffer[19] = {};
        settings.ShowServiceInfo = true;
        EXPECT_EQ(link.DeviceRead(ACCESS_REG_READ | 1, REG_DISPLAY, 16, buffer), k < 3) << k + 1;
        std::vector<std::string> expected = {"sleep 10", "purge", "write 81 2A 0F F1", "sleep 1"};
        for (const auto& r : reads[k]) {
            expected.push_back("sleep 1");
            expected.push_back(r);
        }
        EXPECT_THAT(log, ElementsAreArray(expected)) << k + 1 << " pieces";
    }
    EXPECT_TRUE(traces.empty()); // a short reply is neither retried nor traced
}

TEST_F(LinkOnFake, SilentIndicatorCostsOneAttemptAndNoTrace)
{
    settings.ShowServiceInfo = true;
    EXPECT_FALSE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
    EXPECT_THAT(log,
                ElementsAre("sleep 15", "purge", "write 01 FF 11 B6", "sleep 1", "sleep 1",
                            "read 2 -> 0", "sleep 1", "read 2 -> 0", "sleep 1", "read 2 -> 0"));
    EXPECT_TRUE(traces.empty());
}

TEST_F(LinkOnFake, ThreeWrongAcknowledgementsAreTracedAndFail)
{
    for (bool showServiceInfo : {true, false}) {
        log.clear();
        traces.clear();
        settings.ShowServiceInfo = showServiceInfo;
        port.scriptReply({{0x01, 0x00}});
        port.scriptReply({{0x01}, {0x00}}); // second attempt needs one extra read
        port.scriptReply({{0x02, 0xB7}});
        EXPECT_FALSE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));

        std::vector<std::string> expected = kWriteAttempt;
        auto add = [&](std::initializer_list<std::string> lines) {
            expected.insert(expected.end(), lines);
        };
        if (showServiceInfo)
            add({"trace Write 1"});
        add({"sleep 50", "sleep 15", "purge", "write 01 FF 11 B6", "sleep 1", "sleep 1",
             "read 2 -> 1", "sleep 1", "read 1 -> 1"});
        if (showServiceInfo)
            add({"trace Write 2"});
        add({"sleep 50"});
        expected.insert(expected.end(), kWriteAttempt.begin(), kWriteAttempt.end());
        if (showServiceInfo)
            add({"trace Write 3"});
        EXPECT_THAT(log, ElementsAreArray(expected));
    }
    // The panels of the run with ShowServiceInfo on.
    settings.ShowServiceInfo = true;
    port.scriptReply({{0x01, 0x00}});
    port.scriptReply({{0x01}, {0x00}});
    port.scriptReply({{0x02, 0xB7}});
    EXPECT_FALSE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
    ASSERT_EQ(traces.size(), 3u);
    for (const auto& t : traces)
        EXPECT_EQ(t.panel1, "   Send    = 10110110  0xB6 (182) - Адр. 01");
    EXPECT_EQ(traces[0].panel2, "   Receive = 00000000  0x00 (0) - Адр. 01  0");
    EXPECT_EQ(traces[1].panel2, "   Receive = 00000000  0x00 (0) - Адр. 01  1");
    EXPECT_EQ(traces[2].panel2, "   Receive = 10110111  0xB7 (183) - Адр. 02  0");
    EXPECT_EQ(traces[0].panel3, "Write 1");
    EXPECT_EQ(traces[1].panel3, "Write 2");
    EXPECT_EQ(traces[2].panel3, "Write 3");
}

TEST_F(LinkOnFake, WrongAcknowledgementThenRightOneSucceeds)
{
    settings.ShowServiceInfo = true;
    port.scriptReply({{0x01, 0x00}});
    port.scriptReply({{0x01, 0xB6}});
    EXPECT_TRUE(link.DeviceWrite(0x01, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0].panel3, "Write 1");
    EXPECT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(clock.sleptMs(), 17 + 50 + 17);
}

TEST_F(LinkOnFake, WrongReadReplyIsTracedInReadForm)
{
    settings.ShowServiceInfo = true;
    // Identification [123, 3, 5, 7] with a CRC byte of 0x00.
    Bytes bad = readReply(1, {123, 3, 5, 7});
    const std::uint8_t computed = Crc8(bad.data(), 6);
    bad[6] = 0x00;
    port.scriptReply({bad});
    port.scriptReply({bad});
    port.scriptReply({bad});
    std::uint8_t buffer[7] = {};
    EXPECT_FALSE(link.DeviceRead(ACCESS_REG_READ | 1, REG_IDENT, 4, buffer));
    ASSERT_EQ(traces.size(), 3u);
    EXPECT_EQ(traces[0].panel1, "   CRC8    = " + traceBinary(computed) + "  0x" +
                                    traceHex(computed) + " (" + std::to_string(computed) +
                                    ") - Адр. 81");
    EXPECT_EQ(traces[0].panel2, "   Receive = 00000000  0x00 (0) - Адр. 81  0");
    EXPECT_EQ(traces[2].panel3, "Read 3");
    EXPECT_EQ(port.writes.size(), 3u);
}

TEST_F(LinkOnFake, ReadCountOutsideTheFrameIsRefusedUnsent)
{
    std::uint8_t buffer[260] = {};
    EXPECT_FALSE(link.DeviceRead(ACCESS_REG_READ | 1, REG_DISPLAY, 0, buffer));
    EXPECT_FALSE(link.DeviceRead(ACCESS_REG_READ | 1, REG_DISPLAY, 257, buffer));
    EXPECT_TRUE(log.empty());
}

TEST_F(LinkOnFake, StreamJoinedMidFrameSlidesToTheNextFrame)
{
    const Bytes frame = FakeIndicator::streamFrame(1, -2, 0x11);
    Bytes bytes{0xFD, 0xFF, 0x00}; // tail of a frame already under way
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    port.arrive({bytes});
    std::uint8_t buffer[7] = {};
    EXPECT_TRUE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_THAT(log, ElementsAre("read 7 -> 7", "read 1 -> 1", "read 1 -> 1", "read 1 -> 1"));
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), buffer));
}

TEST_F(LinkOnFake, StreamFramesFollowAnAddressChangedInTheSettings)
{
    // The settings dialog changes the address while the program runs; the next frame is judged
    // against the new one.
    const Bytes oldAddress = FakeIndicator::streamFrame(1, 7, 0);
    const Bytes newAddress = FakeIndicator::streamFrame(5, 7, 0);
    settings.AdrPribor = 5;
    port.arrive({oldAddress, newAddress});
    std::uint8_t buffer[7] = {};
    EXPECT_TRUE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_TRUE(std::equal(newAddress.begin(), newAddress.end(), buffer));
}

TEST_F(LinkOnFake, StreamCompletesAShortFrameByteByByte)
{
    const Bytes frame = FakeIndicator::streamFrame(1, 500, 0);
    port.arrive(
        {Bytes(frame.begin(), frame.begin() + 4), {}, {frame[4]}, {}, {frame[5], frame[6]}});
    std::uint8_t buffer[7] = {};
    EXPECT_TRUE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_THAT(log, ElementsAre("read 7 -> 4", "read 1 -> 0", "read 1 -> 1", "read 1 -> 0",
                                 "read 1 -> 1", "read 1 -> 1"));
}

TEST_F(LinkOnFake, StreamGivesUpAfterFiveEmptyReads)
{
    std::uint8_t buffer[7] = {};
    // Nothing at all: false at once.
    EXPECT_FALSE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_THAT(log, ElementsAre("read 7 -> 0"));

    // Garbage that never forms a frame: slides while bytes come, then five empty reads.
    log.clear();
    port.arrive({{0x81, 0x03, 1, 2, 3, 4, 5, 0x81, 0x03}});
    EXPECT_FALSE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_THAT(log, ElementsAre("read 7 -> 7", "read 1 -> 1", "read 1 -> 1", "read 1 -> 0",
                                 "read 1 -> 0", "read 1 -> 0", "read 1 -> 0", "read 1 -> 0"));

    // While completing a short frame, empty reads count up to five even with bytes between.
    log.clear();
    port.arrive({{0x81, 0x03, 1}, {}, {2}});
    EXPECT_FALSE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_THAT(log, ElementsAre("read 7 -> 3", "read 1 -> 0", "read 1 -> 1", "read 1 -> 0",
                                 "read 1 -> 0", "read 1 -> 0", "read 1 -> 0"));
}

TEST_F(LinkOnFake, StreamThatNeverFormsAFrameEndsAfterTheSlideLimit)
{
    // Bytes that keep coming but never make a frame for this address (here a well-formed stream
    // for address 2) must not hold the caller for as long as they come.
    Bytes other;
    while (other.size() < 2 * Link::kStreamSlideLimit) {
        const Bytes frame = FakeIndicator::streamFrame(2, 123, 0);
        other.insert(other.end(), frame.begin(), frame.end());
    }
    port.arrive({other});
    std::uint8_t buffer[7] = {};
    EXPECT_FALSE(link.ReceiveStreamFrame(4, buffer));
    // The first window, then one byte per slide up to the limit.
    EXPECT_EQ(log.size(), 1 + Link::kStreamSlideLimit);

    // A frame for us just inside the limit is still found.
    port.purgeRx();
    log.clear();
    const Bytes ours = FakeIndicator::streamFrame(1, 9, 0);
    Bytes late(Link::kStreamSlideLimit, 0x55);
    late.insert(late.end(), ours.begin(), ours.end());
    port.arrive({late});
    EXPECT_TRUE(link.ReceiveStreamFrame(4, buffer));
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), buffer));
}

} // namespace
} // namespace korvel::test
