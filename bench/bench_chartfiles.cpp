// Chart files through the real chart code: loading a chart file of 1 000 000 data lines (all
// five input traces, about 2 h at 133 frames/s) onto a shown chart, and saving a recording of
// 13 200 points (99 s at 133 frames/s) with its input records. The save is timed five times,
// the load three; the best and the median are printed. The load is timed whole (reading,
// parsing, showing, the first redraw) and in its parts: reading and parsing, putting the
// points on the chart, and the first redraw. The resident memory and the heap in use are
// printed before the file is made and after each load.
//
// Usage: bench_chartfiles [data lines, default 1000000]
#include "BenchMemory.h"
#include "chart/ChartController.h"
#include "chart/ChartFileSave.h"
#include "chart/ChartFiles.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTexts.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/ChartFileWriter.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using namespace korvel;

constexpr int kSavePoints = 13200;
constexpr int kRepeats = 5;
constexpr int kLoadRepeats = 3;

using korvel::benchmark::heapInUseMb;
using korvel::benchmark::residentMb;

void printMemory(const char* when)
{
    std::printf("  memory %-44s resident %6.1f MB  heap in use %6.1f MB\n", when, residentMb(),
                heapInUseMb());
}

// Milliseconds of each of the runs, sorted.
std::vector<double> timed(const std::function<void()>& run, int repeats = kRepeats)
{
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

void print(const char* what, const std::vector<double>& ms, double targetMs)
{
    std::printf("%-52s best %7.1f ms  median %7.1f ms  (target < %.0f ms)\n", what, ms.front(),
                ms[ms.size() / 2], targetMs);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;

    PosixSerialPort port;
    Uperemen settings;
    settings.NumDInputOnGraphicMask = 0x1F;
    ChartControls controls;
    controls.setPeriodText(QStringLiteral("7.50"));
    Link link(port, systemClock(), settings);
    FrontPanel front;
    PollCycle poll(link, settings, front);
    auto* plot = new ChartPlot;
    ChartController chart(link, settings, controls, poll, *plot);
    ChartPanel panel(chart, settings, controls, plot);
    panel.resize(1000, 700);
    panel.show();
    QCoreApplication::processEvents();
    ChartFiles files(chart, panel);
    files.showMessage = [](const PopupMessage& m) {
        std::printf("message: %s\n", qPrintable(m.text));
    };

    // A recording of 13 200 points, as a run leaves it.
    RunTiming timing;
    timing.windowPoints = kSavePoints;
    timing.secondsPerPoint = 0.0075;
    const ChartRunSetup run{timing, 0x1F, 0};
    chart.acquisition().beginRun(run);
    ChartSampleDecoder decoder;
    decoder.beginRun(chart.acquisition().scaling(), run);
    for (int n = 0; n < kSavePoints; ++n) {
        const std::uint32_t count = std::uint32_t(n * 37 % 200000);
        const std::uint8_t sample[4] = {std::uint8_t(count), std::uint8_t(count >> 8),
                                        std::uint8_t(count >> 16), std::uint8_t(n >> 4)};
        chart.acquisition().addSample(decoder.decode(sample));
    }
    chart.ChartDataSource = ChartTexts::dataFromDevice();
    const QString saved = dir.filePath(QStringLiteral("save.twi"));
    print("save 13 200 points (gather, format, write, replace)",
          timed([&] { files.saveData(saved); }), 200);
    std::printf("  file: %lld bytes\n", static_cast<long long>(QFile(saved).size()));

    // A chart file of a long recording.
    const int loadLines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    printMemory("before the file is made");
    const QString loaded = dir.filePath(QStringLiteral("big.twi"));
    {
        ChartFileData big;
        big.periodText = QStringLiteral("7.50");
        big.inputMask = 0x1F;
        big.secondsPerPoint = 0.0075;
        for (int n = 0; n < loadLines; ++n) {
            big.points.push_back({double(n), (n * 37 % 200000) * 0.001 - 50});
            big.inputs.push_back(std::uint8_t(n >> 4));
        }
        if (!SaveChartFile(loaded, big).isEmpty())
            return 1;
    }
    malloc_trim(0);
    std::printf("chart file of %d lines: %lld bytes\n", loadLines + 5,
                static_cast<long long>(QFile(loaded).size()));
    printMemory("with the file made");
    const double target = 2000.0 * loadLines / 1000000;
    print("read and parse", timed([&] {
              QFile f(loaded);
              f.open(QIODevice::ReadOnly);
              if (ReadChartFile(f).points.size() != std::size_t(loadLines))
                  std::printf("short read\n");
          }, kLoadRepeats),
          target);
    {
        QFile f(loaded);
        f.open(QIODevice::ReadOnly);
        const ChartFileContents contents = ReadChartFile(f);
        print("put on the chart (showFileData)",
              timed([&] { chart.showFileData(contents); }, kLoadRepeats), target);
        std::vector<double> redraw;
        for (int i = 0; i < kLoadRepeats; ++i) {
            chart.showFileData(contents);
            QElapsedTimer t;
            t.start();
            plot->repaintNow();
            redraw.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::sort(redraw.begin(), redraw.end());
        print("first redraw after it", redraw, target);
    }
    chart.acquisition().clearSeries();
    plot->repaintNow();
    malloc_trim(0);
    printMemory("with the chart cleared");
    print("whole load (read, parse, show, first redraw)", timed([&] {
              files.loadData(loaded);
              plot->repaintNow();
          }, kLoadRepeats),
          target);
    malloc_trim(0);
    printMemory("after the loads, the file on the chart");
    if (plot->GraphicWeight()->dataCount() != loadLines)
        std::printf("only %d points shown\n", plot->GraphicWeight()->dataCount());
    return 0;
}
