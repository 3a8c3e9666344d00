// One set of link cases, run on the scripted fake and on korvel-sim over a pseudo-terminal.
// Exact call sequences are pinned by the fake-only tests; here both transports must agree
// on what goes over the wire and how each transaction ends.
#include "LinkHarnesses.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

template <typename Harness> class LinkContract : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(h.ready(&error)) << error;
        h.link.onTrace = [this](const TraceLines& lines) { traces.push_back(lines); };
    }

    static Bytes request(std::uint8_t first, std::uint8_t reg, std::uint8_t value)
    {
        Bytes r{first, reg, value};
        r.push_back(Crc8(r.data(), 3));
        return r;
    }

    Harness h;
    std::vector<TraceLines> traces;
};

using Transports = ::testing::Types<FakeHarness, SimHarness>;
class TransportNames
{
public:
    template <typename T> static std::string GetName(int)
    {
        return std::is_same_v<T, FakeHarness> ? "Fake" : "Sim";
    }
};
TYPED_TEST_SUITE(LinkContract, Transports, TransportNames);

TYPED_TEST(LinkContract, ReadsOfOneAnd256Bytes)
{
    auto& h = this->h;
    std::array<std::uint8_t, 259> buffer{};
    ASSERT_TRUE(h.link.DeviceRead(ACCESS_REG_READ | 1, REG_DISPLAY, 1, buffer.data()));
    EXPECT_EQ(buffer[3], Crc8(buffer.data(), 3));
    ASSERT_TRUE(h.link.DeviceRead(ACCESS_MEM_READ | 1, 0, 256, buffer.data()));
    EXPECT_EQ(buffer[258], Crc8(buffer.data(), 258));
    const std::vector<Bytes> expected = {this->request(0x81, 0x2A, 0x00),
                                         this->request(0xC1, 0x00, 0xFF)};
    EXPECT_EQ(h.requests(), expected);
}

TYPED_TEST(LinkContract, KeyPressIsTwoAcknowledgedWrites)
{
    auto& h = this->h;
    EXPECT_TRUE(h.link.DeviceWrite(ACCESS_REG_WRITE | 1, REG_ARGUMENT, keys::B_1));
    EXPECT_TRUE(h.link.DeviceWrite(ACCESS_REG_WRITE | 1, REG_COMMAND, CMD_KEYS_B));
    const std::vector<Bytes> expected = {this->request(0x01, 253, 1), this->request(0x01, 255, 13)};
    EXPECT_EQ(h.requests(), expected);
}

TYPED_TEST(LinkContract, FilterRegistersAreReadTogether)
{
    auto& h = this->h;
    ASSERT_TRUE(h.link.DeviceWrite(1, REG_FILTER1, 2));
    ASSERT_TRUE(h.link.DeviceWrite(1, REG_FILTER2, 1));
    ASSERT_TRUE(h.link.DeviceWrite(1, REG_STAB_BAND, 3));
    std::uint8_t buffer[6] = {};
    ASSERT_TRUE(h.link.DeviceRead(ACCESS_REG_READ | 1, REG_FILTER1, FILTER_COUNT, buffer));
    EXPECT_EQ(buffer[2], 2);
    EXPECT_EQ(buffer[3], 1);
    EXPECT_EQ(buffer[4], 3);
}

TYPED_TEST(LinkContract, ReplyInUpToThreePiecesIsAcceptedAFourthFailsWithoutRetry)
{
    auto& h = this->h;
    for (int pieces = 1; pieces <= 4; ++pieces) {
        h.setReplyPieces(pieces);
        h.clearRequests();
        std::uint8_t buffer[19] = {};
        EXPECT_EQ(h.link.DeviceRead(ACCESS_REG_READ | 1, REG_DISPLAY, DISPLAY_COUNT, buffer),
                  pieces <= 3)
            << pieces << " pieces";
        EXPECT_EQ(h.requests().size(), 1u) << pieces << " pieces";
    }
}

TYPED_TEST(LinkContract, WrongAcknowledgementsAreTriedThreeTimes)
{
    auto& h = this->h;
    h.setCorrupt(true);
    for (bool showServiceInfo : {true, false}) {
        h.clearRequests();
        this->traces.clear();
        h.settings.ShowServiceInfo = showServiceInfo;
        EXPECT_FALSE(h.link.DeviceWrite(1, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
        const Bytes sent = this->request(0x01, 0xFF, 0x11);
        EXPECT_EQ(h.requests(), std::vector<Bytes>(3, sent));
        if (!showServiceInfo) {
            EXPECT_TRUE(this->traces.empty());
            continue;
        }
        ASSERT_EQ(this->traces.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(this->traces[i].panel1, "   Send    = 10110110  0xB6 (182) - Адр. 01");
            EXPECT_EQ(this->traces[i].panel3, "Write " + std::to_string(i + 1));
        }
    }
}

TYPED_TEST(LinkContract, WrongReadRepliesAreTracedInReadForm)
{
    auto& h = this->h;
    h.setCorrupt(true);
    h.settings.ShowServiceInfo = true;
    std::uint8_t buffer[7] = {};
    EXPECT_FALSE(h.link.DeviceRead(ACCESS_REG_READ | 1, REG_IDENT, IDENT_COUNT, buffer));
    ASSERT_EQ(this->traces.size(), 3u);
    EXPECT_EQ(this->traces[2].panel3, "Read 3");
    // The last trace describes the reply left in the buffer.
    const std::uint8_t computed = Crc8(buffer, 6);
    EXPECT_EQ(this->traces[2].panel1, "   CRC8    = " + traceBinary(computed) + "  0x" +
                                          traceHex(computed) + " (" + std::to_string(computed) +
                                          ") - Адр. 81");
    EXPECT_EQ(this->traces[2].panel2, "   Receive = " + traceBinary(buffer[6]) + "  0x" +
                                          traceHex(buffer[6]) + " (" + std::to_string(buffer[6]) +
                                          ") - Адр. " + traceHex(buffer[0]) + "  0");
}

TYPED_TEST(LinkContract, SilentIndicatorFailsAfterOneAttempt)
{
    auto& h = this->h;
    h.setSilent(true);
    h.settings.ShowServiceInfo = true;
    EXPECT_FALSE(h.link.DeviceWrite(1, REG_COMMAND, CMD_KEYBOARD_UNLOCK));
    EXPECT_EQ(h.requests().size(), 1u);
    EXPECT_TRUE(this->traces.empty());
}

TYPED_TEST(LinkContract, StreamJoinedMidFrameYieldsAValidFrame)
{
    auto& h = this->h;
    ASSERT_TRUE(h.link.DeviceWrite(1, REG_COMMAND, CMD_STREAM_START));
    std::uint8_t skipped[2];
    ASSERT_EQ(h.port.read(skipped, 2), 2u); // now out of step with the frames
    std::uint8_t frame[7] = {};
    EXPECT_TRUE(h.link.ReceiveStreamFrame(STREAM_DATA_COUNT, frame));
    EXPECT_EQ(frame[0], 0x81);
    EXPECT_EQ(frame[1], 3);
    EXPECT_EQ(frame[6], Crc8(frame, 6));
    EXPECT_TRUE(h.link.ReceiveStreamFrame(STREAM_DATA_COUNT, frame));
    h.link.DeviceWrite(1, REG_COMMAND, CMD_STREAM_STOP);
}

TYPED_TEST(LinkContract, BytesThatNeverFormAFrameEndInFalse)
{
    auto& h = this->h;
    // A correct identification reply has the length of a stream frame, but it is no frame
    // for indicator 2.
    h.settings.AdrPribor = 2;
    h.port.setReadTimeout(50);
    const Bytes identRequest = this->request(0x81, REG_IDENT, IDENT_COUNT - 1);
    h.port.write(identRequest.data(), identRequest.size());
    std::uint8_t frame[7] = {};
    EXPECT_FALSE(h.link.ReceiveStreamFrame(STREAM_DATA_COUNT, frame));
    EXPECT_EQ(frame[0], 0x81);
    EXPECT_EQ(frame[6], Crc8(frame, 6)); // the whole reply came and was judged
}

} // namespace
} // namespace korvel::test
