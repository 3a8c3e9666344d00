// "Записывать в файл" over long runs: chart mode as the window composes it (plot on a shown
// window, the recording's check box ticked, its file in a temporary folder) against the
// simulated indicator's counting stream (weight = frame number), paced at the line rate.
//
//   A  9600 baud, ADC period 7.5 ms (133 frames/s)
//   B  115200 baud, ADC period 1 ms (1000 frames/s)
//
// Each with a 99 s window and all five input traces on, first recorded for the given time,
// then run as long again without recording (or --plain seconds), for the GUI thread's CPU
// beside it. Prints: frames sent before the stop, frames lost (numbers missing from the file,
// or not in order), file lines against points plotted, the file's size, GUI-thread CPU of both
// runs, and resident memory when the chart's window has filled, at the end, and its growth in
// between (the recording must not grow it: the file keeps everything, the chart its window).
//
// Usage: bench_recording [--seconds N (default 600)] [--plain N (default: as --seconds; 0: none)]
//                        [--runs AB]
// The plain run compares fairly only at the same length: until the window has filled, every
// second adds points a repaint has to draw.
#include "BenchMemory.h"
#include "chart/ChartController.h"
#include "chart/ChartMode.h"
#include "chart/ChartPanel.h"
#include "chart/ChartRecording.h"
#include "chart/core/ChartFileReader.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace korvel;

double guiThreadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

using korvel::benchmark::residentMb;

struct Rate
{
    const char* name;
    int baud;
    double periodMs;
};

struct RunFigures
{
    long sent = 0;
    int points = 0; // SampleCounter at the stop
    double weightScale = 1.0;
    double cpuPercent = 0;
    std::optional<double> rssAtFillMb;
    double rssEndMb = 0;
};

// One chart run of `seconds` on a fresh simulator; recorded into `path` unless it is empty.
RunFigures chartRun(const Rate& rate, int seconds, const QString& path)
{
    sim::SimOptions o;
    o.baud = rate.baud;
    o.periodMs = rate.periodMs;
    o.streamPattern = sim::StreamPattern::Counting;
    sim::Simulator sim(o);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        std::exit(1);
    }
    Uperemen settings;
    settings.PeriodACP = rate.periodMs;
    settings.PeriodACPSec = rate.periodMs * 0.001;
    settings.NumDInputOnGraphicMask = 0x1F;
    ChartControls controls;
    controls.setTimeOnGraph(99);
    PosixSerialPort port;
    if (port.open(sim.slavePath(), rate.baud, settings.ReadTotalTimeoutConstant).status !=
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
    ChartMode mode(link, settings, controls, poll, panelGraphic);
    ChartController& chart = mode.controller();
    chart.hooks.showChartView = [&] {
        panelGraphic->setGeometry(window.rect());
        panelGraphic->show();
    };
    mode.recording().chooseFile = [&](QString& chosen) {
        chosen = path;
        return true;
    };
    mode.recording().showMessage = [](const PopupMessage& m) {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    };
    window.show();
    chart.enter();
    if (!path.isEmpty())
        mode.panel().CheckBoxRecordToFile()->click();

    RunFigures r;
    QTimer sampler;
    sampler.setInterval(1000);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!r.rssAtFillMb && chart.acquisition().SampleCounter() >= settings.WindowPoints)
            r.rssAtFillMb = residentMb();
    });
    const double cpu0 = guiThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    chart.puskStop();
    sampler.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    r.sent = sim.streamFramesSent();
    r.cpuPercent = 100.0 * (guiThreadCpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
    r.rssEndMb = residentMb();
    chart.puskStop();
    r.points = chart.acquisition().SampleCounter();
    r.weightScale = chart.acquisition().scaling().weightScale;
    chart.leave();
    port.close();
    sim.stop();
    return r;
}

void bench(const Rate& rate, int seconds, int plainSeconds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.twi"));
    const RunFigures rec = chartRun(rate, seconds, path);
    const std::vector<RunFigures> plain =
        plainSeconds > 0 ? std::vector{chartRun(rate, plainSeconds, {})} : std::vector<RunFigures>{};

    QFile file(path);
    const qint64 bytes = file.size();
    long lines = 0, lost = 0;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray all = file.readAll();
        lines = long(all.count('\n'));
        const ChartFileContents c = ParseChartFile(all);
        if (c.problem)
            std::printf("  the file does not read back: line %d\n", c.problem.line);
        long expected = 0;
        for (const ChartPoint& p : c.points) {
            const long n = std::lround(p.y / rec.weightScale);
            if (long(p.x) != expected || n != long(p.x))
                ++lost;
            expected = long(p.x) + 1;
        }
        lost += (rec.points - long(c.points.size()));
    }

    std::printf("%s: %d baud, period %.1f ms, recorded %d s, plain run %d s, 99 s window\n",
                rate.name, rate.baud, rate.periodMs, seconds, plainSeconds);
    std::printf("  frames sent before the stop     %ld\n", rec.sent);
    std::printf("  points of the run               %d\n", rec.points);
    std::printf("  frames lost in the file         %ld   (target 0)\n", lost);
    std::printf("  file lines - 5 header lines     %ld   (= points of the run)\n", lines - 5);
    std::printf("  file size                       %.1f MB\n", double(bytes) / 1e6);
    std::printf("  GUI thread CPU, recording       %.1f %% of one core\n", rec.cpuPercent);
    for (const RunFigures& p : plain)
        std::printf("  GUI thread CPU, plain run       %.1f %% of one core\n", p.cpuPercent);
    if (rec.rssAtFillMb)
        std::printf("  resident at the window's fill   %.1f MB\n", *rec.rssAtFillMb);
    else
        std::printf("  resident at the window's fill   (the run ended before it filled)\n");
    std::printf("  resident at the end             %.1f MB\n", rec.rssEndMb);
    if (rec.rssAtFillMb)
        std::printf("  growth after the fill           %.2f MB   (target < 1 MB)\n",
                    rec.rssEndMb - *rec.rssAtFillMb);
    // The same for the plain run: growth that is not the recording's.
    for (const RunFigures& p : plain)
        if (p.rssAtFillMb)
            std::printf("  plain run: resident at the fill %.1f MB, at the end %.1f MB (%+.2f MB)\n",
                        *p.rssAtFillMb, p.rssEndMb, p.rssEndMb - *p.rssAtFillMb);
    std::fflush(stdout);
}

int option(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::max(0, std::atoi(argv[i + 1]));
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = std::max(5, option(argc, argv, "--seconds", 600));
    const int plain = option(argc, argv, "--plain", seconds);
    QString runs = QStringLiteral("AB");
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = QString::fromLatin1(argv[i + 1]);
    if (runs.contains('A'))
        bench({"A", 9600, 7.5}, seconds, plain);
    if (runs.contains('B'))
        bench({"B", 115200, 1.0}, seconds, plain);
    return 0;
}
