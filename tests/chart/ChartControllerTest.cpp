// Chart mode's sequences on a scripted indicator: entry, start, the run, the stop with its
// repeats and pauses, leaving, and what the controls do.
#include "chart/ChartController.h"
#include "ChartFakes.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "support/WaitFor.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>

namespace korvel {
namespace {

using Writes = std::vector<std::pair<int, int>>;
using Mode = ChartController::Mode;

class Controller : public ::testing::Test
{
protected:
    Controller()
    {
        settings.Filter1 = 0;
        poll.TimerOprosaPribora.setInterval(100000);
        poll.TimerOprosaPribora.start();
        chart.hooks.showChartView = [this] { ++shown; };
        chart.hooks.restoreShapedWindow = [this] { ++restored; };
        chart.hooks.showPortMessage = [this] { ++portMessages; };
        chart.hooks.openIoPanelIfWanted = [this] { ++ioPanelOpened; };
        chart.filters().NeVpisyvat = false;
    }
    ~Controller() override { chart.reception().stop(); }

    Writes writesSince(std::size_t mark) const
    {
        const Writes all = indicator.writtenValues();
        return Writes(all.begin() + long(mark), all.end());
    }
    void enterAndStart()
    {
        chart.enter();
        ASSERT_EQ(chart.mode(), Mode::Idle);
        chart.puskStop();
        ASSERT_EQ(chart.mode(), Mode::Running);
    }

    test::VirtualClock clock;
    test::ChartIndicator indicator{clock};
    Uperemen settings;
    ChartControls controls;
    Link link{indicator, clock, settings};
    FrontPanel panel;
    PollCycle poll{link, settings, panel};
    test::RecordingSink sink;
    ChartController chart{link, settings, controls, poll, sink};
    int shown = 0, restored = 0, portMessages = 0, ioPanelOpened = 0;
};

TEST_F(Controller, EntryReadsFiltersAndScalingThenShowsTheChartWithPollingOff)
{
    chart.enter();
    EXPECT_EQ(chart.mode(), Mode::Idle);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(poll.pollingEnabled());
    EXPECT_EQ(chart.SavedReadTimeout, 200);
    std::vector<std::vector<int>> requests;
    for (const auto& r : indicator.requests)
        requests.push_back({r.first, r.reg, r.value});
    // Filters read; filter 1 (0 applied, 2 in the indicator) written; decimals and
    // discreteness read without a page select.
    EXPECT_EQ(requests, (std::vector<std::vector<int>>{{0x81, 240, 2},
                                                       {0x01, 240, 0},
                                                       {0x01, 241, 0},
                                                       {0x01, 242, 0},
                                                       {0xC1, 6, 0},
                                                       {0xC1, 28, 0}}));
    EXPECT_DOUBLE_EQ(chart.acquisition().scaling().weightScale, 0.001);
    EXPECT_DOUBLE_EQ(chart.acquisition().scaling().axisMargin, 0.5);

    chart.enter(); // already in chart mode: nothing more
    EXPECT_EQ(shown, 1);
}

TEST_F(Controller, EntryWithBothScalingReadsFailingTriesThreeTimesEachAndUsesDefaults)
{
    indicator.memoryReadFails = {MEM_DECIMALS, MEM_DISCRETENESS};
    chart.enter();
    int decimals = 0, discreteness = 0;
    for (const auto& r : indicator.requests) {
        decimals += r.first == 0xC1 && r.reg == MEM_DECIMALS;
        discreteness += r.first == 0xC1 && r.reg == MEM_DISCRETENESS;
    }
    EXPECT_EQ(decimals, 3);
    EXPECT_EQ(discreteness, 3);
    EXPECT_DOUBLE_EQ(chart.acquisition().scaling().weightScale, 0.1);
    EXPECT_DOUBLE_EQ(chart.acquisition().scaling().axisMargin, 1.0);
}

TEST_F(Controller, AFailedCheckInStaysOutOfChartModeWithPollingBack)
{
    indicator.writeFailures[REG_FILTER1] = 1;
    settings.Filter1 = 5;
    chart.enter();
    EXPECT_EQ(chart.mode(), Mode::Off);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(poll.pollingEnabled());
}

TEST_F(Controller, ARunPlotsTheStreamAndStopsWithTheStopSequence)
{
    chart.filters().NeVpisyvat = true;
    for (int i = 0; i < 5; ++i) {
        const auto f = test::ChartIndicator::frame(1000 * i, std::uint8_t(i));
        indicator.streamOnStart.insert(indicator.streamOnStart.end(), f.begin(), f.end());
    }
    chart.enter();
    const std::size_t mark = indicator.writtenValues().size();
    const int purgesBefore = indicator.purges;
    chart.puskStop();
    EXPECT_EQ(chart.mode(), Mode::Running);
    EXPECT_TRUE(chart.running());
    EXPECT_FALSE(chart.filterControlsEnabled());
    EXPECT_FALSE(chart.mayReplaceData());
    EXPECT_EQ(writesSince(mark), (Writes{{255, 20}}));
    EXPECT_GT(indicator.purges, purgesBefore) << "the receive queue is cleared before the start";
    EXPECT_EQ(chart.ChartDataSource, QStringLiteral("Данные на графике с прибора"));

    ASSERT_TRUE(test::waitFor([&] { return sink.weight.size() == 5; }, 5000));
    // A corrupt frame between good ones costs only itself.
    auto bad = test::ChartIndicator::frame(5000, 0);
    bad[6] ^= 1;
    indicator.arrive(bad);
    indicator.arrive(test::ChartIndicator::frame(6000, 0));
    ASSERT_TRUE(test::waitFor([&] { return sink.weight.size() == 6; }, 5000));
    EXPECT_EQ(sink.weight.back(), (test::RecordingSink::Point{5, 6.0}));

    const std::size_t beforeStop = indicator.writtenValues().size();
    indicator.timeout = 999; // something changed the time-out meanwhile
    chart.puskStop();
    EXPECT_EQ(chart.mode(), Mode::Idle);
    EXPECT_TRUE(chart.filterControlsEnabled());
    EXPECT_EQ(writesSince(beforeStop), (Writes{{255, 0}, {255, 0}}));
    EXPECT_EQ(indicator.timeoutsSet.back(), 200) << "the time-out of the entry is back";
    EXPECT_EQ(portMessages, 0);

    // Frames that still come after the stop are not plotted.
    indicator.arrive(test::ChartIndicator::frame(7000, 0));
    QTest::qWait(20);
    EXPECT_EQ(sink.weight.size(), 6u);
}

// Every frame is decoded once and the same sample goes down to each sink, the chart first:
// what a recording writes is what the chart plots, delayed inputs included.
TEST_F(Controller, EachFrameReachesEverySinkAsOneSampleAfterTheChart)
{
    struct Collector : ChartSampleSink
    {
        const test::RecordingSink* chartSink = nullptr;
        std::vector<ChartSample> samples;
        std::vector<std::size_t> chartPoints; // the chart's points when each sample came
        void addSample(const ChartSample& s) override
        {
            samples.push_back(s);
            chartPoints.push_back(chartSink->weight.size());
        }
    } collector;
    collector.chartSink = &sink;
    chart.reception().addSink(collector);

    settings.NumDInputOnGraphicMask = 0x1F;
    settings.ZaderzhkaSignDInputs = 2;
    for (int i = 0; i < 5; ++i) {
        const auto f = test::ChartIndicator::frame(1000 * i, std::uint8_t(0x10 + i));
        indicator.streamOnStart.insert(indicator.streamOnStart.end(), f.begin(), f.end());
    }
    enterAndStart();
    ASSERT_TRUE(test::waitFor([&] { return collector.samples.size() == 5; }, 5000));
    chart.puskStop();

    const double spp = chart.acquisition().SecondsPerPoint();
    ASSERT_GT(spp, 0.0);
    const struct
    {
        int delayLeft;
        std::uint8_t inputs; // the byte drawn: the one of the sample before, once the line is full
        std::size_t chartPoints;
    } expected[] = {{2, 0x10, 0}, {1, 0x11, 0}, {0, 0x11, 1}, {0, 0x12, 2}, {0, 0x13, 3}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const ChartSample& s = collector.samples[std::size_t(i)];
        EXPECT_EQ(s.number, i);
        EXPECT_DOUBLE_EQ(s.seconds, i * spp);
        EXPECT_DOUBLE_EQ(s.weight, double(i)); // 1000 i counts at 0.001
        EXPECT_EQ(s.delayLeft, expected[i].delayLeft);
        if (s.plotted()) {
            EXPECT_EQ(s.inputs, expected[i].inputs);
        }
        EXPECT_EQ(collector.chartPoints[std::size_t(i)], expected[i].chartPoints)
            << "the chart has the sample before the sinks after it";
    }
    const InputRecords& records = chart.acquisition().DInputRecords();
    ASSERT_EQ(records.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(records.byte(i), collector.samples[std::size_t(i) + 2].inputs);
}

TEST_F(Controller, StopCommandIsRepeatedWithGrowingPauses)
{
    enterAndStart();
    // The first stop is ignored; the second fails, then twice more.
    indicator.writeFailures[REG_COMMAND] = 4;
    const std::size_t first = indicator.requests.size();
    chart.stopRun();
    std::vector<long> at;
    for (std::size_t i = first; i < indicator.requests.size(); ++i)
        at.push_back(indicator.requests[i].atMs);
    ASSERT_EQ(at.size(), 4u);
    // Each write waits 15 ms before it goes; between them the pauses of the sequence.
    EXPECT_GE(at[1] - at[0], 10 + 15);
    EXPECT_GE(at[2] - at[1], 100 + 15);
    EXPECT_GE(at[3] - at[2], 300 + 15);
    EXPECT_LT(at[3] - at[2], 300 + 15 + 50) << "no other waits in between";
    EXPECT_EQ(chart.mode(), Mode::Idle);
}

TEST_F(Controller, APortMessageAtTheEndOfARunStillLeavesTheChartIdle)
{
    enterAndStart();
    indicator.setTimeoutFails = true;
    chart.puskStop();
    EXPECT_EQ(portMessages, 1);
    EXPECT_EQ(chart.mode(), Mode::Idle);
    EXPECT_FALSE(chart.running()) << "the window can be closed again";
    chart.leave();
    EXPECT_EQ(chart.mode(), Mode::Off);
}

TEST_F(Controller, AStartThatEndsEarlyLeavesTheFilterControlsUsable)
{
    chart.enter();
    controls.setFilter1(3);
    indicator.writeFailures[REG_FILTER1] = 1;
    chart.puskStop();
    EXPECT_EQ(chart.mode(), Mode::Idle);
    EXPECT_TRUE(chart.filterControlsEnabled());

    indicator.writeFailures[REG_COMMAND] = 1; // the start command is not acknowledged
    const std::size_t mark = indicator.writtenValues().size();
    chart.puskStop();
    EXPECT_EQ(chart.mode(), Mode::Idle);
    EXPECT_TRUE(chart.filterControlsEnabled());
    // The start may still have reached the indicator: the stop sequence leaves a quiet line.
    const Writes after = writesSince(mark);
    const auto start = std::find(after.begin(), after.end(), std::pair<int, int>{255, 20});
    ASSERT_NE(start, after.end());
    EXPECT_NE(std::find(start, after.end(), std::pair<int, int>{255, 0}), after.end());
    EXPECT_EQ(after.back(), (std::pair<int, int>{255, 0}));
}

TEST_F(Controller, LeavingRestoresTimeOutFiltersPanelAndPolling)
{
    chart.enter();
    const std::size_t mark = indicator.writtenValues().size();
    indicator.timeout = 2000;
    chart.leave();
    EXPECT_EQ(chart.mode(), Mode::Off);
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(indicator.timeoutsSet, (std::vector<int>{200}));
    EXPECT_EQ(writesSince(mark), (Writes{{240, 2}, {241, 3}, {242, 10}}))
        << "the indicator's own values";
    EXPECT_EQ(ioPanelOpened, 1);
    EXPECT_TRUE(poll.pollingEnabled());
}

TEST_F(Controller, AFailedRestoreStillGivesPollingBack)
{
    chart.enter();
    indicator.writeFailures[REG_FILTER1] = 3;
    chart.leave();
    EXPECT_EQ(ioPanelOpened, 0);
    EXPECT_TRUE(poll.pollingEnabled()) << "the front panel is not left frozen";
}

// Started without its port, the program does not poll; entering the chart opens the port.
// Leaving it then starts polling, although nothing polled before the entry.
TEST_F(Controller, LeavingWithThePortNowOpenStartsPolling)
{
    poll.disablePolling();
    indicator.close();
    chart.hooks.openPort = [this] { return indicator.open("", 9600, 200).status == PortOpenStatus::Ok; };
    chart.enter();
    ASSERT_EQ(chart.mode(), Mode::Idle);
    EXPECT_EQ(indicator.opens, 1);
    chart.leave();
    EXPECT_TRUE(poll.pollingEnabled());
}

TEST_F(Controller, LeavingIsRefusedDuringARun)
{
    enterAndStart();
    chart.leave();
    chart.panelDoubleClicked();
    EXPECT_EQ(chart.mode(), Mode::Running);
    EXPECT_EQ(restored, 0);
    chart.stopRun();
    chart.panelDoubleClicked();
    EXPECT_EQ(chart.mode(), Mode::Off);
}

TEST_F(Controller, ControlsReachTheModelAndTheRun)
{
    QSignalSpy changed(&chart, &ChartController::controlsChanged);
    controls.setTimeOnGraph(1);
    chart.filter1Changed(7);
    EXPECT_EQ(controls.timeOnGraph(), 7) << "raised for the slow filter";
    EXPECT_EQ(changed.count(), 1);

    settings.PeriodACP = 7.5;
    settings.PeriodACPText = QStringLiteral("7.50");
    chart.periodEdited("0");
    EXPECT_DOUBLE_EQ(settings.PeriodACP, 7.5) << "a period of 0 is never taken";
    chart.periodEdited("10");
    EXPECT_DOUBLE_EQ(settings.PeriodACP, 10.0);
    EXPECT_DOUBLE_EQ(settings.PeriodACPSec, 0.01);
    EXPECT_EQ(controls.periodText(), "10");
    const auto exit = chart.periodLeft("");
    EXPECT_TRUE(exit.keepFocus);
    EXPECT_EQ(exit.text, "7.50");
    EXPECT_DOUBLE_EQ(settings.PeriodACP, 7.5) << "the start-up text is the period again";

    chart.timeWindowChanged(3);
    EXPECT_EQ(settings.TimeOnGraph, 3);
    EXPECT_EQ(settings.WindowPoints, 400);

    chart.smoothScrollChanged(true);
    EXPECT_TRUE(controls.smoothScroll());
    EXPECT_TRUE(sink.keyAutomatic);
}

TEST_F(Controller, SaveIsOfferedForDevicePointsOnly)
{
    EXPECT_FALSE(chart.saveOffered()) << "no points";
    indicator.streamOnStart = test::ChartIndicator::frame(1, 0);
    enterAndStart();
    ASSERT_TRUE(test::waitFor([&] { return !sink.weight.empty(); }, 5000));
    EXPECT_TRUE(chart.saveOffered());
    chart.ChartDataSource = QStringLiteral("Данные на графике из файла");
    EXPECT_FALSE(chart.saveOffered());
    chart.stopRun();
}

} // namespace
} // namespace korvel
