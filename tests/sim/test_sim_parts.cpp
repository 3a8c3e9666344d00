// The simulator's small parts: segment font, number layout, request framing, faults,
// command line.
#include <gtest/gtest.h>

#include "RawClient.h"
#include "link/DeviceMap.h"
#include "sim/CommandLine.h"
#include "sim/FaultShaper.h"
#include "sim/FrontPanel.h"
#include "sim/RequestAssembler.h"
#include "sim/RequestLog.h"
#include "sim/SegmentFont.h"

using namespace korvel;
using namespace korvel::sim;
using korvel::sim::test::makeRequest;

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SegmentFont, CodesAreThoseTheFrontPanelDecodes)
{
    const std::pair<char, std::uint8_t> table[] = {
        {'0', 0xD7}, {'1', 0x11}, {'2', 0xCD}, {'3', 0x5D}, {'4', 0x1B}, {'5', 0x5E},
        {'6', 0xDE}, {'7', 0x15}, {'8', 0xDF}, {'9', 0x5F}, {'b', 0xDA}, {'r', 0x88},
        {'t', 0xCA}, {'P', 0x8F}, {'E', 0xCE}, {'-', 0x08}, {'_', 0x40}, {' ', 0x00},
        {'o', 0xD8}, {'L', 0xC2}, {'n', 0x98}, {'I', 0x82}};
    for (auto [c, code] : table) {
        SCOPED_TRACE(c);
        EXPECT_EQ(SegmentFont::code(c), code);
        EXPECT_EQ(code & SegmentFont::POINT, 0) << "no shape uses the point bit";
    }
}

TEST(SegmentFont, RenderRightAlignsAndPutsPointsOnTheDigitBefore)
{
    EXPECT_EQ(SegmentFont::render("1.5", 4), (Bytes{0x00, 0x00, 0x11 | 0x20, 0x5E}));
    EXPECT_EQ(SegmentFont::render("1234567", 3), (Bytes{0x5E, 0xDE, 0x15})); // keeps "567"
    EXPECT_EQ(SegmentFont::render("", 2), (Bytes{0x00, 0x00}));
}

TEST(FrontPanel, FormatCountsPlacesThePointAndRefusesWhatDoesNotFit)
{
    struct Case
    {
        int counts, decimals, digits;
        const char* text;
    };
    for (const Case& c :
         {Case{12340, 2, 6, "123.40"}, Case{-4, 2, 6, "-0.04"}, Case{5, 0, 6, "5"},
          Case{0, 3, 6, "0.000"}, Case{-99999, 0, 6, "-99999"}, Case{1234567, 0, 6, ""},
          Case{-100000, 0, 6, ""}, Case{999999, 4, 6, "99.9999"}}) {
        SCOPED_TRACE(c.counts);
        EXPECT_EQ(FrontPanel::formatCounts(c.counts, c.decimals, c.digits), c.text);
    }
}

class AssemblerTest : public ::testing::Test
{
protected:
    RequestAssembler a{0.005};
    const Bytes good = makeRequest(0x81, 42, 15);
    std::vector<ReceivedBytes> feed(const Bytes& b, double t)
    {
        return a.feed(b.data(), b.size(), t);
    }
};

TEST_F(AssemblerTest, WholeAndPiecewiseRequestsComeOutValid)
{
    auto out = feed(good, 0.0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].crcValid);
    EXPECT_EQ(out[0].bytes, good);

    EXPECT_TRUE(feed(Bytes(good.begin(), good.begin() + 1), 1.0).empty());
    out = feed(Bytes(good.begin() + 1, good.end()), 1.001);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].crcValid);
    EXPECT_FALSE(a.deadline());
}

TEST_F(AssemblerTest, GarbageBeforeARequestIsSkippedAndReported)
{
    Bytes stream = {0x00, 0x55, 0xAA};
    stream.insert(stream.end(), good.begin(), good.end());
    const auto out = feed(stream, 0.0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_FALSE(out[0].crcValid);
    EXPECT_EQ(out[0].bytes, (Bytes{0x00, 0x55, 0xAA}));
    EXPECT_TRUE(out[1].crcValid);
    EXPECT_EQ(out[1].bytes, good);
}

TEST_F(AssemblerTest, BadCrcRequestIsGivenUpAfterTheGap)
{
    Bytes bad = good;
    bad[3] ^= 0x01;
    EXPECT_TRUE(feed(bad, 0.0).empty());
    EXPECT_TRUE(a.expire(0.001).empty());
    ASSERT_TRUE(a.deadline());
    const auto out = a.expire(*a.deadline());
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(out[0].crcValid);
    EXPECT_EQ(out[0].bytes, bad);

    // The next request after a pause is found at once.
    const auto next = feed(good, 1.0);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_TRUE(next[0].crcValid);
}

TEST_F(AssemblerTest, PartialRequestBeforeAPauseDoesNotSwallowTheNext)
{
    feed(Bytes{0x01, 0xFF}, 0.0);
    const auto out = feed(good, 0.5);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, (Bytes{0x01, 0xFF}));
    EXPECT_FALSE(out[0].crcValid);
    EXPECT_EQ(out[1].bytes, good);
}

TEST(FaultShaper, CorruptsEveryNthReplyOnly)
{
    FaultShaper s(1);
    SimFaults f;
    f.corruptEveryN = 2;
    s.setFaults(f);
    const Bytes ack = {0x01, 0xB6};
    for (int i = 1; i <= 4; ++i) {
        const auto pieces = s.shapeReply(ack);
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0].bytes[1] == 0xB6, i % 2 == 1) << i;
    }
}

TEST(FaultShaper, SplitsDelaysDropsAndSilences)
{
    FaultShaper s(1);
    SimFaults f;
    f.splitPieces = 3;
    f.splitPauseMs = 20;
    f.replyDelayMs = 7;
    s.setFaults(f);
    Bytes reply(19);
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i);
    auto pieces = s.shapeReply(reply);
    ASSERT_EQ(pieces.size(), 3u);
    Bytes joined;
    for (const Piece& p : pieces) {
        EXPECT_FALSE(p.bytes.empty());
        joined.insert(joined.end(), p.bytes.begin(), p.bytes.end());
    }
    EXPECT_EQ(joined, reply);
    EXPECT_EQ(pieces[0].pauseBeforeMs, 7);
    EXPECT_EQ(pieces[1].pauseBeforeMs, 20);

    f = SimFaults{};
    f.dropEveryN = 4;
    s.setFaults(f);
    pieces = s.shapeReply(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(pieces[0].bytes, (Bytes{1, 2, 3, 5, 6, 7, 9}));

    f = SimFaults{};
    f.silent = true;
    s.setFaults(f);
    EXPECT_TRUE(s.shapeReply(reply).empty());
    EXPECT_TRUE(s.shapeFrame(reply).empty());
}

TEST(FaultShaper, GarbageGoesBeforeEveryNthFrame)
{
    FaultShaper s(1);
    SimFaults f;
    f.garbageEveryNFrames = 3;
    s.setFaults(f);
    const Bytes frame = {0x81, 3, 1, 2, 3, 4, 0x55};
    for (int i = 1; i <= 6; ++i) {
        const auto out = s.shapeFrame(frame)[0].bytes;
        if (i % 3 == 0) {
            ASSERT_GT(out.size(), frame.size());
            EXPECT_LE(out.size(), frame.size() + 5);
            EXPECT_TRUE(std::equal(frame.begin(), frame.end(), out.end() - 7));
        } else {
            EXPECT_EQ(out, frame);
        }
    }
}

TEST(CommandLine, ParsesEveryOption)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(CommandLine::parse({"--address",
                                    "7",
                                    "--model=21",
                                    "--serial",
                                    "1,2,250",
                                    "--period-ms",
                                    "2.5",
                                    "--baud",
                                    "9600",
                                    "--link",
                                    "/tmp/l",
                                    "--log",
                                    "/tmp/g",
                                    "--image",
                                    "/tmp/i",
                                    "--seed",
                                    "9",
                                    "--stream",
                                    "counting",
                                    "--silent",
                                    "--reply-delay-ms",
                                    "30",
                                    "--split",
                                    "3",
                                    "--split-pause-ms",
                                    "20",
                                    "--corrupt-every",
                                    "4",
                                    "--garbage-every",
                                    "5",
                                    "--drop-every",
                                    "6",
                                    "--unplug-after",
                                    "2.5",
                                    "--replug-after=0.5",
                                    "--strict-baud",
                                    "--more-addresses",
                                    "5,63"},
                                   cl, &error))
        << error;
    const SimOptions& o = cl.options;
    EXPECT_EQ(o.address, 7);
    EXPECT_EQ(o.model, 21);
    EXPECT_EQ(o.serial, (std::array<int, 3>{1, 2, 250}));
    EXPECT_DOUBLE_EQ(o.periodMs, 2.5);
    EXPECT_EQ(o.baud, 9600);
    EXPECT_EQ(o.linkPath, "/tmp/l");
    EXPECT_EQ(o.logPath, "/tmp/g");
    EXPECT_EQ(o.imagePath, "/tmp/i");
    EXPECT_EQ(o.seed, 9u);
    EXPECT_EQ(o.streamPattern, StreamPattern::Counting);
    EXPECT_TRUE(o.faults.silent);
    EXPECT_EQ(o.faults.replyDelayMs, 30);
    EXPECT_EQ(o.faults.splitPieces, 3);
    EXPECT_EQ(o.faults.splitPauseMs, 20);
    EXPECT_EQ(o.faults.corruptEveryN, 4);
    EXPECT_EQ(o.faults.garbageEveryNFrames, 5);
    EXPECT_EQ(o.faults.dropEveryN, 6);
    EXPECT_DOUBLE_EQ(o.unplugAfterSec, 2.5);
    EXPECT_DOUBLE_EQ(o.replugAfterSec, 0.5);
    EXPECT_TRUE(o.strictBaud);
    EXPECT_EQ(o.moreAddresses, (std::vector<int>{5, 63}));
    EXPECT_FALSE(cl.help);
}

TEST(CommandLine, RefusesBadInput)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--address", "64"},
                                                 {"--address", "0"},
                                                 {"--serial", "1,2"},
                                                 {"--serial", "1,2,256"},
                                                 {"--period-ms", "0"},
                                                 {"--split", "0"},
                                                 {"--unplug-after", "0"},
                                                 {"--replug-after", "-1"},
                                                 {"--bogus"},
                                                 {"--model"},
                                                 {"--baud", "fast"},
                                                 {"--stream", "random"},
                                                 {"--strict-baud"},
                                                 {"--more-addresses", "5,64"},
                                                 {"--more-addresses", "5,5"},
                                                 {"--more-addresses", "1"},
                                                 {"--more-addresses", "5,"}}) {
        CommandLine cl;
        std::string error;
        EXPECT_FALSE(CommandLine::parse(args, cl, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLine, HelpNamesEveryOptionAndTheSignal)
{
    const std::string help = CommandLine::helpText();
    for (const char* name :
         {"--address", "--model", "--serial", "--period-ms", "--baud", "--link", "--log", "--image",
          "--seed", "--stream", "--silent", "--reply-delay-ms", "--split", "--split-pause-ms",
          "--corrupt-every", "--garbage-every", "--drop-every", "--unplug-after", "--replug-after",
          "--strict-baud", "--more-addresses", "--help", "SIGUSR1", "SIGRTMIN"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(CommandLine, MemoryFaultOptions)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(
        CommandLine::parse({"--fail-page-select", "3", "--fail-byte-write=1:255"}, cl, &error))
        << error;
    EXPECT_EQ(cl.options.faults.failPageSelect, 3);
    EXPECT_EQ(cl.options.faults.failWritePage, 1);
    EXPECT_EQ(cl.options.faults.failWriteOffset, 255);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--fail-page-select", "128"},
          {"--fail-byte-write", "1,5"},
          {"--fail-byte-write", "128:0"},
          {"--fail-byte-write", "1:256"},
          {"--fail-byte-write", ":5"}})
        EXPECT_FALSE(CommandLine::parse(args, cl, &error)) << args[1];
    const std::string help = CommandLine::helpText();
    for (const char* name : {"--fail-page-select", "--fail-byte-write", "SIGUSR2"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(CommandLine, TestSignalOptions)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(CommandLine::parse({"--noise", "0.5", "--step-size=-40", "--step-period", "2.5"},
                                   cl, &error))
        << error;
    EXPECT_TRUE(cl.options.signal.on);
    EXPECT_DOUBLE_EQ(cl.options.signal.noiseSteps, 0.5);
    EXPECT_DOUBLE_EQ(cl.options.signal.stepSize, -40.0);
    EXPECT_DOUBLE_EQ(cl.options.signal.stepPeriodSec, 2.5);

    CommandLine quiet;
    ASSERT_TRUE(CommandLine::parse({"--noise", "0"}, quiet, &error)) << error;
    EXPECT_TRUE(quiet.options.signal.on) << "a still scale with no noise is a signal too";
    EXPECT_FALSE(CommandLine{}.options.signal.on);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--step-size", "10"},
                                                 {"--step-period", "1"},
                                                 {"--noise", "-1"},
                                                 {"--noise", "x"},
                                                 {"--step-size", "5", "--step-period", "0"},
                                                 {"--step-size", "200000", "--step-period", "1"}}) {
        CommandLine bad;
        EXPECT_FALSE(CommandLine::parse(args, bad, &error)) << args[0] << " " << args[1];
    }
    const std::string help = CommandLine::helpText();
    for (const char* name : {"--noise", "--step-size", "--step-period", "2^filter2"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(FaultShaper, RefusesOnlyTheNamedPageSelectAndByteWrite)
{
    SimFaults f;
    f.failPageSelect = 3;
    f.failWritePage = 1;
    f.failWriteOffset = 5;
    FaultShaper shaper(1);
    shaper.setFaults(f);
    const std::uint8_t selectThree[4] = {0x01, REG_PAGE, 3, 0};
    const std::uint8_t selectFour[4] = {0x01, REG_PAGE, 4, 0};
    const std::uint8_t argumentThree[4] = {0x01, REG_ARGUMENT, 3, 0};
    const std::uint8_t writeFive[4] = {0x41, 5, 0xAA, 0};
    const std::uint8_t readFive[4] = {0xC1, 5, 0, 0};
    EXPECT_TRUE(shaper.refuses(selectThree, 0));
    EXPECT_FALSE(shaper.refuses(selectFour, 0));
    EXPECT_FALSE(shaper.refuses(argumentThree, 0));
    EXPECT_TRUE(shaper.refuses(writeFive, 1));
    EXPECT_FALSE(shaper.refuses(writeFive, 2)) << "another page";
    EXPECT_FALSE(shaper.refuses(readFive, 1)) << "reads are never refused";
    EXPECT_FALSE(FaultShaper(1).refuses(selectThree, 0)) << "no faults, no refusals";
}

TEST(FaultShaper, LosesTheNamedByteWriteTheGivenNumberOfTimes)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(CommandLine::parse({"--lose-byte-write", "3:31", "--lose-byte-write-times", "2"},
                                   cl, &error))
        << error;
    EXPECT_EQ(cl.options.faults.loseWritePage, 3);
    EXPECT_EQ(cl.options.faults.loseWriteOffset, 31);
    EXPECT_FALSE(CommandLine::parse({"--lose-byte-write", "3"}, cl, &error));
    for (const char* name : {"--lose-byte-write", "--lose-byte-write-times"})
        EXPECT_NE(CommandLine::helpText().find(name), std::string::npos) << name;

    const std::uint8_t write31[4] = {0x41, 31, 0xAA, 0};
    const std::uint8_t write30[4] = {0x41, 30, 0xAA, 0};
    const std::uint8_t read31[4] = {0xC1, 31, 0, 0};
    FaultShaper twice(1);
    twice.setFaults(cl.options.faults);
    EXPECT_FALSE(twice.loses(write31, 2)) << "another page";
    EXPECT_FALSE(twice.loses(write30, 3)) << "another offset";
    EXPECT_FALSE(twice.loses(read31, 3)) << "reads are never lost";
    EXPECT_TRUE(twice.loses(write31, 3));
    EXPECT_TRUE(twice.loses(write31, 3));
    EXPECT_FALSE(twice.loses(write31, 3)) << "the third try lands";

    SimFaults always = cl.options.faults;
    always.loseWriteTimes = -1;
    FaultShaper never(1);
    never.setFaults(always);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(never.loses(write31, 3));
}

TEST(FaultShaper, CutSwallowsOnlyTheByteWriteAfterTheFirstN)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(CommandLine::parse({"--cut-write-after", "3"}, cl, &error)) << error;
    EXPECT_EQ(cl.options.faults.cutWriteAfter, 3);
    EXPECT_FALSE(CommandLine::parse({"--cut-write-after", "-1"}, cl, &error));
    EXPECT_NE(CommandLine::helpText().find("--cut-write-after"), std::string::npos);

    FaultShaper shaper(1);
    shaper.setFaults(cl.options.faults);
    const std::uint8_t memWrite[4] = {0x41, 53, 0, 0};
    const std::uint8_t memRead[4] = {0xC1, 53, 7, 0};
    const std::uint8_t regWrite[4] = {0x01, REG_PAGE, 1, 0};
    std::vector<bool> cut;
    for (int i = 0; i < 6; ++i) {
        // Register writes and reads in between are neither counted nor cut.
        EXPECT_FALSE(shaper.cuts(regWrite));
        EXPECT_FALSE(shaper.cuts(memRead));
        cut.push_back(shaper.cuts(memWrite));
    }
    EXPECT_EQ(cut, (std::vector<bool>{false, false, false, true, false, false}));

    shaper.setFaults(cl.options.faults); // counts afresh
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(shaper.cuts(memWrite));
    EXPECT_TRUE(shaper.cuts(memWrite));
    EXPECT_FALSE(FaultShaper(1).cuts(memWrite)) << "no faults, no cut";
}

TEST(FaultShaper, ReadsGoWrongOnceTheGivenNumberOfByteWritesHaveBeenHeard)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(CommandLine::parse({"--fail-reads-after-writes", "2"}, cl, &error)) << error;
    EXPECT_EQ(cl.options.faults.failReadsAfterWrites, 2);
    EXPECT_FALSE(CommandLine::parse({"--fail-reads-after-writes", "-1"}, cl, &error));
    EXPECT_NE(CommandLine::helpText().find("--fail-reads-after-writes"), std::string::npos);

    FaultShaper shaper(1);
    shaper.setFaults(cl.options.faults);
    const std::uint8_t memWrite[4] = {0x41, 53, 0, 0};
    const std::uint8_t memRead[4] = {0xC1, 0, 255, 0};
    const std::uint8_t regRead[4] = {0x81, REG_PAGE, 0, 0};
    const std::uint8_t regWrite[4] = {0x01, REG_COMMAND, CMD_WRITE_DONE, 0};
    // Each request is shown to cuts() first, as the simulator does.
    const auto spoiled = [&shaper](const std::uint8_t* request) {
        shaper.cuts(request);
        return shaper.spoilsRead(request);
    };
    EXPECT_FALSE(spoiled(memRead)) << "a backup read before any write";
    EXPECT_FALSE(spoiled(memWrite));
    EXPECT_FALSE(spoiled(memRead)) << "one write heard, two asked for";
    EXPECT_FALSE(spoiled(memWrite));
    EXPECT_TRUE(spoiled(memRead));
    EXPECT_TRUE(spoiled(memRead)) << "every read after it";
    EXPECT_FALSE(spoiled(regRead)) << "registers are read as usual";
    EXPECT_FALSE(spoiled(regWrite));

    shaper.setFaults(cl.options.faults); // counts afresh
    EXPECT_FALSE(spoiled(memRead));
    EXPECT_FALSE(FaultShaper(1).spoilsRead(memRead)) << "no faults, reads as usual";
}

TEST(RequestLog, LineHasTimeBytesAndVerdict)
{
    EXPECT_EQ(RequestLog::formatLine(1.5, {0x01, 0xFF, 0x11, 0xB6}, true),
              "1.500000 01 FF 11 B6 crc=ok");
    EXPECT_EQ(RequestLog::formatLine(0.0, {0x0A}, false), "0.000000 0A crc=bad");
}

} // namespace
