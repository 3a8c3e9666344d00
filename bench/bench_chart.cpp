// Chart runs against the simulated indicator (in-process, on a pseudo-terminal, paced at the
// line rate), through the real chart code: ChartMode with its plot on a shown window, the
// stream read from the port's readiness. The simulator counts its frames (weight = frame
// number n, inputs = bits 4..11 of n, so input 1 changes every 16 frames), so every missing
// number is a lost frame.
//
// Three runs, each with a 99 s window and all five input traces on:
//   A  9600 baud, ADC period 7.5 ms (133 frames/s, the line's practical rate)
//   B  115200 baud, ADC period 1 ms (the fastest the simulator paces)
//   C  as A, with a popup menu held open for 5 s in the middle of the run
//
// Prints per run: frames sent before the stop, frames plotted, frames lost (missing numbers),
// frames in flight at the stop; CPU of the GUI thread (% of one core; the simulator is a
// thread of its own and not counted); repaints per second; the longest stretch the event loop
// was busy between two waits (how long a click could have waited).
//
// Usage: bench_chart [seconds per run, default 60] [runs, default ABC]
#include "chart/ChartController.h"
#include "chart/ChartMode.h"
#include "chart/ChartPlot.h"
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

#include <sys/resource.h>

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

Result run(const char* name, int baud, double periodMs, int seconds, bool popup, LoopWatch& watch)
{
    using namespace korvel;
    sim::SimOptions o;
    o.baud = baud;
    o.periodMs = periodMs;
    o.streamPattern = sim::StreamPattern::Counting;
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
    wait(seconds * 1000);
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
    const long last = points.empty() ? -1 : long(points.back().x);
    // Every number from 0 to the last plotted one was sent; those not plotted were lost.
    r.lost = (last + 1) - r.plotted;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (std::llround(points[i].y / c.acquisition().scaling().weightScale) != long(points[i].x))
            ++r.lost; // a frame plotted with another frame's number
    r.inFlight = r.sent - (last + 1);

    std::printf("%s: %d baud, period %.1f ms, %d s%s\n", name, baud, periodMs, seconds,
                popup ? ", popup menu open for 5 s in the middle" : "");
    std::printf("  frames sent before the stop     %ld\n", r.sent);
    std::printf("  frames plotted                  %ld\n", r.plotted);
    std::printf("  frames lost                     %ld   (target 0)\n", r.lost);
    std::printf("  frames in flight at the stop    %ld\n", r.inFlight);
    std::printf("  GUI thread CPU                  %.1f %% of one core   (target < 15 %%)\n",
                r.cpuPercent);
    std::printf("  repaints per second             %.1f   (target <= 60)\n", r.repaintsPerSecond);
    std::printf("  wall time per repaint              %.2f ms\n", msPerRepaint);
    std::printf("  longest busy event-loop pass    %.1f ms   (target < 100 ms)\n", r.longestBusyMs);
    std::fflush(stdout);
    c.leave();
    port.close();
    sim.stop();
    return r;
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
    return 0;
}
