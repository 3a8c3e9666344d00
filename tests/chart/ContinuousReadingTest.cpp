// The timed burst on a scripted indicator whose stream runs on virtual time: the measured
// interval and its text, samples that do not come, a stream that falls silent, the start
// and stop commands, and what the chart shows afterwards.
#include "chart/ContinuousReading.h"
#include "ChartFakes.h"
#include "chart/ChartController.h"
#include "chart/ChartTexts.h"
#include "chart/core/ChartFileWriter.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Streams frame k at start + (k + 1) x period once started, the weight count being k + 1. Reads
// wait on the virtual clock as a port would: until the next frame, or for the read time-out
// when none comes in time.
class StreamingIndicator : public test::ChartIndicator
{
public:
    explicit StreamingIndicator(test::VirtualClock& clock) : ChartIndicator(clock), clock_(clock) {}

    int periodMs = 8;
    int pauseBeforeFrame = -1; // this frame comes 250 ms late
    int silentFrom = -1;       // no frame from this one on
    int otherAddressFrom = -1; // from this frame on the frames are another indicator's
    int stopsUnanswered = 0;
    bool streaming = false;
    int framesSent = 0;

    std::size_t write(const std::uint8_t* data, std::size_t count) override
    {
        if (count == 4 && data[1] == REG_COMMAND && !(data[0] & ACCESS_REG_READ)) {
            const bool heard = writeFailures[REG_COMMAND] == 0;
            streaming = heard && data[2] == CMD_STREAM_START;
            next_ = clock_.now();
            if (data[2] == CMD_STREAM_STOP && stopsUnanswered > 0) {
                --stopsUnanswered;
                writeFailures[REG_COMMAND] = 1;
            }
        }
        return ChartIndicator::write(data, count);
    }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override
    {
        if (const std::size_t n = ChartIndicator::read(buffer, count); n > 0 || !streaming)
            return n;
        const auto timeout = std::chrono::milliseconds(readTimeoutMs());
        auto due = next_ + std::chrono::milliseconds(periodMs);
        if (framesSent == pauseBeforeFrame)
            due += std::chrono::milliseconds(250);
        if (framesSent == silentFrom || due - clock_.now() > timeout) {
            advanceTo(clock_.now() + timeout);
            if (framesSent == pauseBeforeFrame)
                pauseBeforeFrame = -1, next_ = clock_.now() - std::chrono::milliseconds(periodMs);
            return 0;
        }
        advanceTo(due);
        next_ = due;
        ++framesSent;
        const bool other = otherAddressFrom >= 0 && framesSent > otherAddressFrom;
        arrive(frame(framesSent, 0, other ? 2 : 1));
        return ChartIndicator::read(buffer, count);
    }

private:
    void advanceTo(std::chrono::steady_clock::time_point t)
    {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - clock_.now());
        if (ms.count() > 0)
            clock_.sleepMs(int(ms.count()));
    }

    test::VirtualClock& clock_;
    std::chrono::steady_clock::time_point next_{};
};

class Burst : public ::testing::Test
{
protected:
    Burst()
    {
        settings.WindowPoints = 500;
        chart.enter();
        burst.showLinkFailure = [this] { ++linkFailures; };
        QObject::connect(&burst, &ContinuousReading::busyChanged,
                         [this](bool busy) { busyStates.push_back(busy); });
        QObject::connect(&burst, &ContinuousReading::timeTextChanged,
                         [this](const QString& text) { timeTexts << text; });
        mark = indicator.requests.size();
    }
    std::vector<std::pair<int, long>> commandsSinceMark() const
    {
        std::vector<std::pair<int, long>> out;
        for (std::size_t i = mark; i < indicator.requests.size(); ++i)
            if (indicator.requests[i].reg == REG_COMMAND)
                out.emplace_back(indicator.requests[i].value, indicator.requests[i].atMs);
        return out;
    }

    test::VirtualClock clock;
    StreamingIndicator indicator{clock};
    Uperemen settings;
    ChartControls controls;
    Link link{indicator, clock, settings};
    FrontPanel panel;
    PollCycle poll{link, settings, panel};
    test::RecordingSink sink;
    ChartController chart{link, settings, controls, poll, sink};
    ContinuousReading burst{chart, settings};
    std::vector<bool> busyStates;
    QStringList timeTexts;
    int linkFailures = 0;
    std::size_t mark = 0;
};

TEST_F(Burst, ThousandAndOneSamplesMeasureTheIntervalAndArePlottedOnIt)
{
    chart.ChartDataSource.clear(); // nothing recorded yet this session
    burst.btnContiniousReadingClick();

    ASSERT_EQ(sink.weight.size(), 1001u);
    EXPECT_EQ(sink.weight.front().x, 0);
    EXPECT_EQ(sink.weight.back().x, 1000);
    EXPECT_DOUBLE_EQ(sink.weight.back().y, 1001 * 0.001);
    EXPECT_DOUBLE_EQ(burst.measurement().interval, 0.008);
    EXPECT_EQ(timeTexts, (QStringList{"00:00:00.000", "00:00:08.000"}));
    EXPECT_EQ(busyStates, (std::vector<bool>{true, false}));

    // The time axis reads the measured interval: point 1000 is at 8 s.
    EXPECT_DOUBLE_EQ(sink.secondsPerPoint, 0.008);
    EXPECT_EQ(sink.labelDecimals, 3) << "the burst's labels carry three decimals, a run's five";
    EXPECT_EQ(chart.acquisition().pointLabel(1000), QStringLiteral(" 8 c "));
    // The weight axis: 0 .. 1 with 1/70 and then 2 % each side; the fixed time axis 0 .. 500.
    EXPECT_NEAR(sink.valueMin, 0.001 - 1.0 / 70 - (1 + 2.0 / 70) * 0.02, 1e-12);
    EXPECT_EQ(sink.keyMin, 0);
    EXPECT_EQ(sink.keyMax, 500);

    // One start, one stop; the stream is off again.
    const auto commands = commandsSinceMark();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].first, CMD_STREAM_START);
    EXPECT_EQ(commands[1].first, CMD_STREAM_STOP);
    EXPECT_FALSE(indicator.streaming);
    EXPECT_EQ(linkFailures, 0);

    // The indicator's points, saved with the measured times and without an inputs column.
    EXPECT_TRUE(chart.saveOffered());
    const ChartFileData data = chart.fileData();
    EXPECT_EQ(data.writtenMask(), 0);
    EXPECT_EQ(ChartFileLines(data).last(), QStringLiteral("    1000      8              1.001  "));
}

TEST_F(Burst, ASampleThatDoesNotComeGivesNoPointAndTheIntervalStaysTrue)
{
    indicator.pauseBeforeFrame = 0; // the first receive times out
    burst.btnContiniousReadingClick();
    ASSERT_EQ(sink.weight.size(), 1000u);
    for (const auto& p : sink.weight)
        ASSERT_NE(p.y, 0.0) << "no zero weight that never came, at " << p.x;
    EXPECT_DOUBLE_EQ(burst.measurement().interval, 0.008);
    EXPECT_EQ(timeTexts.last(), QStringLiteral("00:00:08.000"));
}

TEST_F(Burst, AStreamThatFallsSilentEndsTheBurstAfterAFewSeconds)
{
    indicator.silentFrom = 10;
    const auto start = clock.now();
    burst.btnContiniousReadingClick();
    EXPECT_LT(clock.now() - start, std::chrono::seconds(4));
    EXPECT_EQ(sink.weight.size(), 10u);
    EXPECT_DOUBLE_EQ(burst.measurement().interval, 0.008);
    EXPECT_EQ(commandsSinceMark().back().first, CMD_STREAM_STOP);
    EXPECT_EQ(busyStates.back(), false);
    EXPECT_EQ(linkFailures, 0);

    // Nothing at all: the link failure is reported, the button comes back.
    indicator.silentFrom = 0;
    indicator.framesSent = 0;
    burst.btnContiniousReadingClick();
    EXPECT_TRUE(sink.weight.empty());
    EXPECT_EQ(timeTexts.last(), QStringLiteral("00:00:00.000"));
    EXPECT_EQ(linkFailures, 1);
    EXPECT_EQ(busyStates.back(), false);
}

TEST_F(Burst, BytesThatNeverFormAFrameEndTheBurstLikeSilence)
{
    // The line keeps talking, but not to us: without an end to the receive's slide the burst
    // would wait for as long as the other indicator streams.
    indicator.otherAddressFrom = 10;
    const auto start = clock.now();
    burst.btnContiniousReadingClick();
    EXPECT_LT(clock.now() - start, std::chrono::seconds(5));
    EXPECT_EQ(sink.weight.size(), 10u);
    EXPECT_EQ(commandsSinceMark().back().first, CMD_STREAM_STOP);
    EXPECT_EQ(busyStates.back(), false);
}

TEST_F(Burst, TheStopIsRepeatedAfter200And500Ms)
{
    indicator.stopsUnanswered = 2;
    burst.btnContiniousReadingClick();
    const auto commands = commandsSinceMark();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[3].first, CMD_STREAM_STOP);
    // Each write waits 15 ms before it goes; between them the pauses of the sequence.
    EXPECT_GE(commands[2].second - commands[1].second, 200 + 15);
    EXPECT_LT(commands[2].second - commands[1].second, 500);
    EXPECT_GE(commands[3].second - commands[2].second, 500 + 15);
    EXPECT_LT(commands[3].second - commands[2].second, 800);
}

TEST_F(Burst, AFailedStartReadsNothingAndABurstIsRefusedDuringARun)
{
    // Only the acknowledgement is lost: the indicator may be streaming, so the stop follows.
    indicator.writeFailures[REG_COMMAND] = 1;
    burst.btnContiniousReadingClick();
    const auto commands = commandsSinceMark();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.front().first, CMD_STREAM_START);
    EXPECT_EQ(commands.back().first, CMD_STREAM_STOP) << "a start that may have gone is stopped";
    EXPECT_TRUE(sink.weight.empty());
    EXPECT_EQ(busyStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(linkFailures, 0);

    chart.puskStop();
    ASSERT_TRUE(chart.running());
    const std::size_t before = indicator.requests.size();
    burst.btnContiniousReadingClick();
    EXPECT_EQ(indicator.requests.size(), before);
    EXPECT_EQ(busyStates.size(), 2u);
    chart.stopRun();
}

} // namespace
} // namespace korvel
