// Chart mode against korvel-sim over a real pseudo-terminal: the traffic of entry, start,
// stop and exit, and a counting stream that shows every frame was plotted.
#include "ChartFakes.h"
#include "chart/ChartController.h"
#include "chart/ContinuousReading.h"
#include "chart/core/BurstTiming.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileWriter.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"
#include "support/WaitFor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

using Request = std::vector<std::uint8_t>;

std::uint8_t crc(std::initializer_list<std::uint8_t> b)
{
    const std::vector<std::uint8_t> v(b);
    return Crc8(v.data(), v.size());
}

Request request(std::uint8_t first, std::uint8_t reg, std::uint8_t value)
{
    return {first, reg, value, crc({first, reg, value})};
}

class ChartOnSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim::SimOptions o;
        o.periodMs = simPeriodMs();
        o.streamPattern = sim::StreamPattern::Counting;
        // A stable name for the port, which outlives the simulated adapter being pulled out.
        o.linkPath =
            (QDir::tempPath() +
             QStringLiteral("/korvel-chart-sim-%1.tty").arg(QCoreApplication::applicationPid()))
                .toStdString();
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        settings.CommName = QString::fromStdString(o.linkPath);
        ASSERT_EQ(port.open(o.linkPath, 115200, 200).status, PortOpenStatus::Ok);
        link = std::make_unique<Link>(port, systemClock(), settings);
        poll = std::make_unique<PollCycle>(*link, settings, panel);
        poll->TimerOprosaPribora.setInterval(100000);
        poll->TimerOprosaPribora.start();
        // Indicator: filters 0, 2, 4. Applied here: 0, 5, 4.
        settings.Filter2 = 5;
        settings.Stab_bnd = 4;
        controls.setFilter2(5);
        controls.setStabBnd(4);
        settings.NumDInputOnGraphicMask = 0x1F;
        controls.setTimeOnGraph(99); // nothing trimmed in these runs
        chart = std::make_unique<ChartController>(*link, settings, controls, *poll, sink);
        chart->filters().NeVpisyvat = false;
    }
    virtual double simPeriodMs() const { return 2; }
    void TearDown() override
    {
        chart.reset();
        poll.reset();
        link.reset();
        port.close();
        sim->stop();
    }

    std::vector<Request> requestsSince(std::size_t mark) const
    {
        std::vector<Request> out;
        const auto all = sim->requests();
        for (std::size_t i = mark; i < all.size(); ++i)
            out.push_back(all[i].bytes);
        return out;
    }
    bool waitForPoints(std::size_t n)
    {
        return test::waitFor([&] { return sink.weight.size() >= n; }, 20000);
    }
    // The weight is the frame's number, the input byte bits 4..11 of it (drawn z - 1 frames
    // late): any lost or reordered frame, or a delay off by one, shows.
    void expectNoGap(int delay)
    {
        ASSERT_FALSE(sink.weight.empty());
        const auto& points = chart->acquisition().weightPoints();
        const auto& records = chart->acquisition().DInputRecords();
        ASSERT_EQ(int(points.size()), records.size());
        const int first = int(points.front().x);
        EXPECT_EQ(first, delay) << "the first point follows the delay";
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int x = first + int(i);
            ASSERT_EQ(points[i].x, x) << i;
            ASSERT_NEAR(points[i].y, x * 0.001, 1e-9) << i;
            const int drawn = delay > 0 ? x - delay + 1 : x;
            ASSERT_EQ(records.byte(int(i)), (drawn >> 4) & 0xFF) << i;
        }
    }

    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    Uperemen settings;
    ChartControls controls;
    std::unique_ptr<Link> link;
    FrontPanel panel;
    std::unique_ptr<PollCycle> poll;
    test::RecordingSink sink;
    std::unique_ptr<ChartController> chart;
};

TEST_F(ChartOnSim, EntryRunStopAndExitTraffic)
{
    chart->enter();
    ASSERT_EQ(chart->mode(), ChartController::Mode::Idle);
    EXPECT_EQ(requestsSince(0), (std::vector<Request>{request(0x81, 240, 2), request(0x01, 241, 5),
                                                      request(0xC1, 6, 0), request(0xC1, 28, 0)}));

    std::size_t mark = sim->requests().size();
    chart->puskStop();
    ASSERT_EQ(chart->mode(), ChartController::Mode::Running);
    EXPECT_EQ(requestsSince(mark), (std::vector<Request>{request(0x01, 255, 20)}));
    ASSERT_TRUE(waitForPoints(500));

    mark = sim->requests().size();
    chart->puskStop();
    EXPECT_EQ(chart->mode(), ChartController::Mode::Idle);
    EXPECT_FALSE(sim->streaming());
    const auto stops = requestsSince(mark);
    ASSERT_GE(stops.size(), 2u);
    for (const Request& r : stops)
        EXPECT_EQ(r, request(0x01, 255, 0));
    expectNoGap(0);
    EXPECT_EQ(chart->acquisition().SampleCounter(), int(sink.weight.size()));
    EXPECT_LE(chart->acquisition().SampleCounter(), sim->streamFramesSent());

    mark = sim->requests().size();
    chart->leave();
    EXPECT_EQ(requestsSince(mark), (std::vector<Request>{request(0x01, 241, 2)}))
        << "the indicator's own filter 2 is back";
    EXPECT_EQ(sim->memoryPage(0)[9], 2);
    EXPECT_TRUE(poll->pollingEnabled());
}

TEST_F(ChartOnSim, APopupMenuOpenDuringARunLosesNoFrame)
{
    settings.ZaderzhkaSignDInputs = 3;
    chart->enter();
    chart->puskStop();
    ASSERT_TRUE(waitForPoints(50));

    // A popup menu runs its own event loop until it closes.
    QMenu menu;
    menu.addAction(QStringLiteral("Сохранить в файле данные из графика"));
    QTimer::singleShot(600, &menu, &QMenu::close);
    const std::size_t before = sink.weight.size();
    menu.exec(QPoint(10, 10));
    EXPECT_GT(sink.weight.size(), before + 100) << "samples kept coming while it was open";

    chart->puskStop();
    expectNoGap(3);
}

// The adapter pulled out during a run: the run ends as "Стоп" would, without a port message and
// without the loop watching a closed descriptor; once it is back, "Пуск" stops the stream the
// indicator was left sending and starts a new run.
TEST_F(ChartOnSim, AnAdapterPulledOutEndsTheRunAndPuskResumesOnceItIsBack)
{
    static QStringList notifierWarnings;
    notifierWarnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            if (text.contains(QStringLiteral("QSocketNotifier")))
                notifierWarnings << text;
        });
    int portMessages = 0;
    chart->hooks.showPortMessage = [&] { ++portMessages; };
    chart->hooks.openPort = [&] {
        return port.open(settings.CommName.toStdString(), 115200, 200).status == PortOpenStatus::Ok;
    };
    chart->enter();
    chart->puskStop();
    ASSERT_TRUE(waitForPoints(50));

    ASSERT_TRUE(sim->unplug());
    EXPECT_TRUE(test::waitFor([&] { return chart->mode() == ChartController::Mode::Idle; }, 5000));
    EXPECT_FALSE(chart->reception().active());
    EXPECT_TRUE(chart->filterControlsEnabled());
    EXPECT_EQ(portMessages, 0);
    const std::size_t points = sink.weight.size();
    QTest::qWait(200);
    EXPECT_EQ(sink.weight.size(), points);

    EXPECT_TRUE(sim->streaming()) << "the stop could not reach the indicator";

    // Back: the stop goes out first, or the stream would garble every reply of the new run.
    ASSERT_TRUE(sim->replug());
    const std::size_t mark = sim->requests().size();
    chart->puskStop();
    ASSERT_EQ(chart->mode(), ChartController::Mode::Running);
    const auto sent = requestsSince(mark);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), request(0x01, 255, 0));
    EXPECT_EQ(sent.back(), request(0x01, 255, 20));
    EXPECT_TRUE(waitForPoints(50)) << "the new run plots";
    chart->puskStop();
    EXPECT_EQ(chart->mode(), ChartController::Mode::Idle);
    chart->leave();
    EXPECT_TRUE(poll->pollingEnabled());
    qInstallMessageHandler(previous);
    EXPECT_TRUE(notifierWarnings.isEmpty()) << notifierWarnings.join('\n').toStdString();
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

TEST_F(ChartOnSim, ARecordingSavedAndLoadedBackGivesTheSamePoints)
{
    chart->enter();
    chart->puskStop();
    ASSERT_TRUE(waitForPoints(400));
    chart->puskStop();
    expectNoGap(0);
    const std::deque<ChartPoint> recorded = chart->acquisition().weightPoints();
    const InputRecords records = chart->acquisition().DInputRecords();

    QBuffer file;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteChartFile(file, chart->fileData()));
    const QList<QByteArray> lines = file.data().split('\n');
    ASSERT_EQ(std::size_t(lines.size()), recorded.size() + 5 + 1); // the last line ends too
    for (std::size_t i = 0; i < recorded.size(); ++i)
        ASSERT_EQ(lines[qsizetype(i) + 5].left(8).trimmed().toInt(), int(i)) << "consecutive";

    const ChartFileContents back = ParseChartFile(file.data());
    ASSERT_FALSE(back.problem) << back.problem.line;
    EXPECT_EQ(back.inputsLabel, QStringLiteral("Показывать цифр. входы 1, 2, 3, 4, 5"));
    chart->showFileData(back);
    const auto& loaded = chart->acquisition().weightPoints();
    ASSERT_EQ(loaded.size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        ASSERT_EQ(loaded[i].x, recorded[i].x);
        ASSERT_NEAR(loaded[i].y, recorded[i].y, 1e-9);
        ASSERT_EQ(back.traceBytes[i], records.byte(int(i)));
    }
    EXPECT_EQ(sink.inputs[4].size(), recorded.size()) << "input 5's trace drawn again";
}

class BurstOnSim : public ChartOnSim
{
protected:
    double simPeriodMs() const override { return 7.5; }
};

TEST_F(BurstOnSim, ThousandAndOneSamplesAt7_5MsTakeAbout7_5Seconds)
{
    chart->enter();
    ContinuousReading burst(*chart, settings);
    QString shown;
    QObject::connect(&burst, &ContinuousReading::timeTextChanged,
                     [&](const QString& text) { shown = text; });
    const std::size_t mark = sim->requests().size();
    burst.btnContiniousReadingClick();

    // Every frame of the counting stream, in order.
    ASSERT_EQ(sink.weight.size(), 1001u);
    const double first = sink.weight.front().y;
    for (std::size_t d = 0; d < sink.weight.size(); ++d) {
        ASSERT_EQ(sink.weight[d].x, double(d));
        ASSERT_NEAR(sink.weight[d].y, first + double(d) * 0.001, 1e-9) << d;
    }
    // Measured from the frames' arrival: nothing comes faster than the simulator sends (7.5 s
    // for 1000 intervals), while a loaded machine may hold frames back and stretch it, so only
    // the lower bound is tight. What the window shows is that measure.
    const double measured = burst.measurement().duration();
    EXPECT_GT(measured, 7.4);
    EXPECT_LT(measured, 10.0);
    EXPECT_EQ(shown, BurstDurationText(measured));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("00:00:0"))) << shown.toStdString();
    EXPECT_NEAR(chart->acquisition().SecondsPerPoint() * 1000, measured, 0.01)
        << "the label of point 1000";

    const auto commands = requestsSince(mark);
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.front(), request(0x01, 255, 20));
    EXPECT_EQ(commands.back(), request(0x01, 255, 0));
    EXPECT_FALSE(sim->streaming());
}

} // namespace
} // namespace korvel
