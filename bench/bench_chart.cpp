// Chart runs against the simulated indicator (in-process, on a pseudo-terminal, paced at the
// line rate), through the real chart code: ChartMode with its plot on a shown window, the
// stream read from the port's readiness. The simulator counts its frames (weight = frame
// number n, inputs = bits 4..11 of n, so input 1 changes every 16 frames), so every missing
// number is a lost frame.
//
// Four runs, each with a 99 s window and all five input traces on:
//   A  9600 baud, ADC period 7.5 ms (133 frames/s, the line's practical rate)
//   B  115200 baud, ADC period 1 ms (the fastest the simulator paces)
//   C  as A, with a popup menu held open for 5 s in the middle of the run
//   W  as A, but an indicator with its weight at rest and its inputs standing (the simulator's
//      weighing pattern with no load put on): the run a technician watches most; its frames
//      carry no numbers, so no frames are counted as lost
//
// Prints per run: frames sent before the stop, frames plotted, frames lost (missing numbers),
// frames in flight at the stop; CPU of the GUI thread (% of one core; the simulator is a
// thread of its own and not counted); repaints per second; the longest stretch the event loop
// was busy between two waits (how long a click could have waited); resident memory once the
// window has filled (runs longer than the window) and at the end.
//
// Two more runs without the simulator, on the same window, feed samples straight into the
// chart on a virtual clock, so their figures do not depend on the line or on other load:
//   R  repaint cost: the 99 s window full of points (133 frames/s, all five input traces),
//      then repaints as a run at 133 frames/s makes them, 3.3 new samples before each. Three
//      cases: a weight at rest (the weight axis stands), the counting stream (the weight axis
//      grows with every sample), and the weight at rest with smooth scrolling ("Плавно").
//      Prints the time per repaint (the redraw and the paint on the screen) and the GUI
//      thread's CPU per second of the run it stands for.
//   M  memory of a long run: the counting stream with all five input traces at 133 frames/s
//      on a 99 s window, fast-forwarded (a repaint every 1000 samples), printing the resident
//      memory, the heap in use and the points the plot's series hold room for, once the
//      window has filled and every simulated hour up to 24.
//
// Usage: bench_chart [seconds per run, default 60] [runs, default ABC; any of ABCWRM]
#include "BenchMemory.h"
#include "chart/ChartController.h"
#include "chart/ChartMode.h"
#include "chart/ChartPlot.h"
#include "chart/core/ChartTiming.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <malloc.h>
#include <unistd.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

double threadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

using korvel::benchmark::heapInUseMb;
using korvel::benchmark::residentMb;

// The longest time the event loop spent between waking up and waiting again.
class LoopWatch
{
public:
    LoopWatch()
    {
        auto* d = QAbstractEventDispatcher::instance();
        QObject::connect(d, &QAbstractEventDispatcher::awake, [this] {
            if (!busy_) {
                busy_ = true;
                clock_.restart();
            }
        });
        QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, [this] {
            if (busy_)
                longestMs_ = std::max(longestMs_, double(clock_.nsecsElapsed()) / 1e6);
            busy_ = false;
        });
    }
    void reset() { longestMs_ = 0; }
    double longestMs() const { return longestMs_; }

private:
    QElapsedTimer clock_;
    bool busy_ = false;
    double longestMs_ = 0;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Result
{
    long sent = 0, plotted = 0, lost = 0, inFlight = 0;
    double cpuPercent = 0, repaintsPerSecond = 0, longestBusyMs = 0;
};

Result run(const char* name, int baud, double periodMs, int seconds, bool popup, LoopWatch& watch,
           bool counting = true)
{
    using namespace korvel;
    sim::SimOptions o;
    o.baud = baud;
    o.periodMs = periodMs;
    o.streamPattern = counting ? sim::StreamPattern::Counting : sim::StreamPattern::Weighing;
    sim::Simulator sim(o);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        std::exit(1);
    }
    PosixSerialPort port;
    Uperemen settings;
    settings.PeriodACP = periodMs;
    settings.PeriodACPSec = periodMs * 0.001;
    settings.NumDInputOnGraphicMask = 0x1F;
    ChartControls controls;
    controls.setTimeOnGraph(99);
    if (port.open(sim.slavePath(), baud, settings.ReadTotalTimeoutConstant).status !=
        PortOpenStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", sim.slavePath().c_str());
        std::exit(1);
    }
    Link link(port, systemClock(), settings);
    FrontPanel front;
    PollCycle poll(link, settings, front);

    QWidget window;
    window.resize(1000, 600);
    auto* panelGraphic = new QWidget(&window);
    ChartMode chart(link, settings, controls, poll, panelGraphic);
    ChartController& c = chart.controller();
    c.hooks.showChartView = [&] {
        panelGraphic->setGeometry(window.rect());
        panelGraphic->show();
    };
    window.show();
    c.enter();
    wait(300);

    QMenu menu;
    menu.addAction(QStringLiteral("Сохранить в файле данные из графика"));
    menu.addAction(QStringLiteral("Отобразить на графике данные из файла"));
    if (popup)
        QTimer::singleShot(seconds * 1000 / 2, &menu, [&] {
            QTimer::singleShot(5000, &menu, &QMenu::close);
            menu.exec(window.mapToGlobal(QPoint(300, 300)));
        });

    const long repaints0 = chart.plot().repaints();
    const double repaintTime0 = chart.plot().repaintSeconds();
    const double cpu0 = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    c.puskStop();
    watch.reset();
    // Once the window has filled, the chart holds all it will ever hold: from then on its
    // memory should stand.
    const int windowSeconds = controls.timeOnGraph();
    double filledMb = 0.0, filledHeapMb = 0.0;
    if (seconds > windowSeconds + 1)
        QTimer::singleShot((windowSeconds + 1) * 1000, [&] {
            filledMb = residentMb();
            filledHeapMb = heapInUseMb();
        });
    wait(seconds * 1000);
    const double endMb = residentMb(), endHeapMb = heapInUseMb();
    Result r;
    r.longestBusyMs = watch.longestMs();
    r.sent = sim.streamFramesSent();
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    r.cpuPercent = 100.0 * (threadCpuSeconds() - cpu0) / elapsed;
    r.repaintsPerSecond = double(chart.plot().repaints() - repaints0) / elapsed;
    const double msPerRepaint = 1000.0 * (chart.plot().repaintSeconds() - repaintTime0) /
                                double(std::max(1L, chart.plot().repaints() - repaints0));
    c.puskStop();

    const auto& points = c.acquisition().weightPoints();
    r.plotted = long(points.size());
    const long first = points.empty() ? 0 : long(points.front().x);
    const long last = points.empty() ? -1 : long(points.back().x);
    // Every number from the window's first point to the last one was sent; those not plotted
    // were lost (the points before the window were trimmed, not lost).
    r.lost = (last + 1 - first) - r.plotted;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (std::llround(points[i].y / c.acquisition().scaling().weightScale) != long(points[i].x))
            ++r.lost; // a frame plotted with another frame's number
    r.inFlight = r.sent - (last + 1);

    std::printf("%s: %d baud, period %.1f ms, %d s%s%s\n", name, baud, periodMs, seconds,
                popup ? ", popup menu open for 5 s in the middle" : "",
                counting ? "" : ", weight at rest, inputs standing");
    std::printf("  frames sent before the stop     %ld\n", r.sent);
    std::printf("  frames plotted                  %ld\n", r.plotted);
    if (counting) {
        std::printf("  frames lost                     %ld   (target 0)\n", r.lost);
        std::printf("  frames in flight at the stop    %ld\n", r.inFlight);
    }
    std::printf("  GUI thread CPU                  %.1f %% of one core   (target < 15 %%)\n",
                r.cpuPercent);
    std::printf("  repaints per second             %.1f   (target <= 60)\n", r.repaintsPerSecond);
    std::printf("  wall time per repaint              %.2f ms\n", msPerRepaint);
    std::printf("  longest busy event-loop pass    %.1f ms   (target < 100 ms)\n", r.longestBusyMs);
    if (filledMb > 0.0)
        std::printf("  resident memory, window filled  %.1f MB (heap in use %.2f MB) at %d s\n",
                    filledMb, filledHeapMb, windowSeconds + 1);
    std::printf("  resident memory at the end      %.1f MB (heap in use %.2f MB) at %d s\n", endMb,
                endHeapMb, seconds);
    std::fflush(stdout);
    c.leave();
    port.close();
    sim.stop();
    return r;
}

// Room for points that a series' container has (its vector's capacity, the free front
// included); QCustomPlot keeps it to itself, a member pointer reads it.
struct ContainerRoom : QCPGraphDataContainer
{
    static qsizetype of(const QCPGraphDataContainer& c) { return (c.*(&ContainerRoom::mData)).capacity(); }
};

qsizetype roomOfSeries(korvel::ChartPlot& plot)
{
    qsizetype room = 0;
    for (int i = 0; i < plot.graphCount(); ++i)
        room += ContainerRoom::of(*plot.graph(i)->data());
    return room;
}

// Chart mode on a shown window of the live runs' size, without a port: samples are decoded here
// and go straight into the acquisition.
struct OfflineChart
{
    korvel::PosixSerialPort port;
    korvel::Uperemen settings;
    korvel::ChartControls controls;
    korvel::Link link{port, korvel::systemClock(), settings};
    korvel::FrontPanel front;
    korvel::PollCycle poll{link, settings, front};
    QWidget window;
    QWidget* panelGraphic = new QWidget(&window);
    korvel::ChartMode chart{link, settings, controls, poll, panelGraphic};
    korvel::ChartSampleDecoder decoder;
    long n = 0;

    OfflineChart(bool smooth)
    {
        window.resize(1000, 600);
        panelGraphic->setGeometry(window.rect());
        panelGraphic->show();
        window.show();
        wait(300);
        korvel::ChartAcquisition& a = chart.controller().acquisition();
        a.setKeyAutomatic(smooth);
        const korvel::ChartRunSetup run{korvel::RunTimingFor(7.5, 99, 0, 0, false), 0x1F, 0};
        a.beginRun(run);
        decoder.beginRun(a.scaling(), run);
    }
    int windowPoints() { return chart.controller().acquisition().WindowPoints(); }
    // The counting stream: weight n, inputs bits 4..11 of n.
    void addCounting()
    {
        const std::uint8_t s[4] = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16),
                                   std::uint8_t(n >> 4)};
        chart.controller().acquisition().addSample(decoder.decode(s));
        ++n;
    }
    // A weight at rest: 1000.0 with a noise of a few counts, inputs changing every 512 samples.
    void addAtRest()
    {
        static std::uint32_t lcg = 12345;
        lcg = lcg * 1664525u + 1013904223u;
        const std::uint32_t count = 10000u + (lcg >> 24) % 7u - 3u;
        const std::uint8_t s[4] = {std::uint8_t(count), std::uint8_t(count >> 8),
                                   std::uint8_t(count >> 16), std::uint8_t((n >> 9) & 0x1F)};
        chart.controller().acquisition().addSample(decoder.decode(s));
        ++n;
    }
    void add(bool counting) { counting ? addCounting() : addAtRest(); }
};

// 133.3 frames/s and 40 repaints/s: 10 samples to every 3 repaints.
constexpr int kSamplesPerThreeRepaints = 10;

void repaintCost(const char* name, bool counting, bool smooth, int repaintsToTime)
{
    OfflineChart o(smooth);
    korvel::ChartPlot& plot = o.chart.plot();
    for (int i = 0; i < o.windowPoints() + 2000; ++i)
        o.add(counting);
    plot.repaintNow();
    QCoreApplication::processEvents();
    // A few repaints to warm the caches (labels, glyphs) as a run has long done.
    for (int i = 0; i < 40; ++i) {
        o.add(counting);
        plot.repaintNow();
        QCoreApplication::processEvents();
    }

    const long repaints0 = plot.repaints();
    const double repaintTime0 = plot.repaintSeconds();
    const double cpu0 = threadCpuSeconds();
    long samples = 0;
    for (int r = 0; r < repaintsToTime; ++r) {
        // 3, 3 and 4 samples: 10 to every 3 repaints.
        const int k = (r % 3 == 2) ? 4 : 3;
        for (int i = 0; i < k; ++i)
            o.add(counting);
        samples += k;
        plot.repaintNow();
        QCoreApplication::processEvents();
    }
    const double cpu = threadCpuSeconds() - cpu0;
    const long repaints = plot.repaints() - repaints0;
    const double runSeconds = double(samples) / (1000.0 / 7.5);
    std::printf("R %s: %ld repaints on a full 99 s window (%d points a series)\n", name, repaints,
                o.windowPoints());
    std::printf("  time per repaint                %.2f ms\n",
                1000.0 * (plot.repaintSeconds() - repaintTime0) / double(std::max(1L, repaints)));
    std::printf("  GUI thread CPU at 133 frames/s  %.1f %% of one core (the samples and the "
                "repaints, not the port)\n",
                100.0 * cpu / runSeconds);
    std::fflush(stdout);
}

void longRunMemory(int hours)
{
    OfflineChart o(false);
    korvel::ChartPlot& plot = o.chart.plot();
    const long perHour = 3600L * 1000 / 15 * 2; // 133.3 frames/s: 480 000 an hour
    auto report = [&](const char* when) {
        plot.repaintNow();
        QCoreApplication::processEvents();
        std::printf("  %-22s resident %6.1f MB   heap in use %6.2f MB   room in the series %lld "
                    "points\n",
                    when, residentMb(), heapInUseMb(), static_cast<long long>(roomOfSeries(plot)));
        std::fflush(stdout);
    };
    std::printf("M: counting stream, 133 frames/s, 99 s window, five input traces, a repaint "
                "every 1000 samples, %d simulated hours\n",
                hours);
    const long filled = long(o.windowPoints()) + 133;
    while (o.n < filled)
        o.addCounting();
    report("window filled (100 s)");
    for (long i = 0; i < 200 * 133 + 67; ++i)
        o.addCounting();
    report("300 s");
    for (int h = 1; h <= hours; ++h) {
        while (o.n < h * perHour) {
            o.addCounting();
            if (o.n % 1000 == 0) {
                plot.repaintNow();
                QCoreApplication::processEvents();
            }
        }
        char when[32];
        std::snprintf(when, sizeof when, "%d h", h);
        if (h <= 3 || h % 6 == 0)
            report(when);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const QString runs = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("ABC");
    LoopWatch watch;
    if (runs.contains('A'))
        run("A", 9600, 7.5, seconds, false, watch);
    if (runs.contains('B'))
        run("B", 115200, 1.0, seconds, false, watch);
    if (runs.contains('C'))
        run("C", 9600, 7.5, seconds, true, watch);
    if (runs.contains('W'))
        run("W", 9600, 7.5, seconds, false, watch, false);
    if (runs.contains('R')) {
        // KORVEL_BENCH_REPAINTS: fewer repaints, for a run under a profiler.
        const int repaints = qEnvironmentVariableIsSet("KORVEL_BENCH_REPAINTS")
                                 ? qEnvironmentVariableIntValue("KORVEL_BENCH_REPAINTS")
                                 : 400;
        // KORVEL_BENCH_CASE: only case 1, 2 or 3.
        const int only = qEnvironmentVariableIntValue("KORVEL_BENCH_CASE");
        if (only == 0 || only == 1)
            repaintCost("weight at rest, fixed time axis", false, false, repaints);
        if (only == 0 || only == 2)
            repaintCost("counting stream, fixed time axis", true, false, repaints);
        if (only == 0 || only == 3)
            repaintCost("weight at rest, smooth scrolling", false, true, repaints);
    }
    if (runs.contains('M'))
        longRunMemory(argc > 3 ? std::max(1, std::atoi(argv[3])) : 24);
    return 0;
}
