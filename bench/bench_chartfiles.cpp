// Chart files through the real chart code: loading a chart file of 100 000 data lines (all five
// input traces) onto a shown chart, and saving a recording of 13 200 points (99 s at 133
// frames/s) with its input records. Each is timed five times; the best and the median are
// printed, for the whole load (reading, parsing, showing, one redraw) and for the reading and
// parsing alone.
//
// Usage: bench_chartfiles
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

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace korvel;

constexpr int kLoadLines = 100000;
constexpr int kSavePoints = 13200;
constexpr int kRepeats = 5;

// Milliseconds of each of kRepeats runs, sorted.
std::vector<double> timed(const std::function<void()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < kRepeats; ++i) {
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
    chart.acquisition().beginRun({timing, 0x1F, 0});
    for (int n = 0; n < kSavePoints; ++n) {
        const std::uint32_t count = std::uint32_t(n * 37 % 200000);
        const std::uint8_t sample[4] = {std::uint8_t(count), std::uint8_t(count >> 8),
                                        std::uint8_t(count >> 16), std::uint8_t(n >> 4)};
        chart.acquisition().addSample(sample);
    }
    chart.ChartDataSource = ChartTexts::dataFromDevice();
    const QString saved = dir.filePath(QStringLiteral("save.twi"));
    print("save 13 200 points (gather, format, write, replace)",
          timed([&] { files.saveData(saved); }), 200);
    std::printf("  file: %lld bytes\n", static_cast<long long>(QFile(saved).size()));

    // A chart file of 100 000 data lines.
    ChartFileData big;
    big.periodText = QStringLiteral("7.50");
    big.inputMask = 0x1F;
    big.secondsPerPoint = 0.0075;
    for (int n = 0; n < kLoadLines; ++n) {
        big.points.push_back({double(n), (n * 37 % 200000) * 0.001 - 50});
        big.inputs.push_back(std::uint8_t(n >> 4));
    }
    const QString loaded = dir.filePath(QStringLiteral("big.twi"));
    if (!SaveChartFile(loaded, big).isEmpty())
        return 1;
    std::printf("chart file of %d lines: %lld bytes\n", kLoadLines + 5,
                static_cast<long long>(QFile(loaded).size()));
    print("read and parse 100 000 lines", timed([&] {
              QFile f(loaded);
              f.open(QIODevice::ReadOnly);
              if (ReadChartFile(f).points.size() != std::size_t(kLoadLines))
                  std::printf("short read\n");
          }),
          1000);
    print("load 100 000 lines onto the chart and draw it", timed([&] {
              files.loadData(loaded);
              plot->repaintNow();
          }),
          1000);
    if (plot->GraphicWeight()->dataCount() != kLoadLines)
        std::printf("only %d points shown\n", plot->GraphicWeight()->dataCount());
    return 0;
}
