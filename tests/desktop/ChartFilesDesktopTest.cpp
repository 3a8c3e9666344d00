// The chart's files and the timed burst in the real korvel on an X server, as a technician
// would use them: record, save the recording through the popup menu and its file dialog, load
// it back, save a picture of the chart, show the service commands and run the burst. Every
// assertion is about files on disk, the picture, and what the simulated indicator received.
// With KORVEL_SCREENSHOTS set to a folder, the screen is kept there at each step.
#include "ChartPanelPlaces.h"
#include "KorvelRig.h"
#include "chart/core/ChartFileReader.h"
#include "link/DeviceMap.h"

#include <QFile>
#include <QImage>
#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
using Bytes = KorvelRig::Bytes;

class ChartFilesDesktop : public test::SharedKorvel<ChartFilesDesktop>
{
protected:
    static void SetUpTestSuite()
    {
        sim::SimOptions options;
        options.streamPattern = sim::StreamPattern::Counting;
        // The copy's folder is where its file dialogs start.
        startRig({.sim = options, .settings = {KorvelRig::chartInputs(5)}});
    }

    // Pixels of the navy of the file labels in a picture of the chart.
    static int navyPixels(const QString& png)
    {
        const QImage image(png);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixelColor(x, y) == QColor(0, 0, 128);
        return n;
    }
};

const Bytes kDisplayRead = KorvelRig::request(0x81, REG_DISPLAY, DISPLAY_COUNT - 1);
const Bytes kStart = KorvelRig::request(0x01, REG_COMMAND, CMD_STREAM_START);
const Bytes kStop = KorvelRig::request(0x01, REG_COMMAND, CMD_STREAM_STOP);

TEST_F(ChartFilesDesktop, RecordSaveLoadPictureAndBurst)
{
    const test::ChartPanelPlaces places = test::chartPanelPlaces(KorvelRig::kWindow, true);
    ASSERT_TRUE(rig->waitForRequest(0, kDisplayRead, 2)) << "korvel never polled";
    KorvelRig::typeServiceSequence();
    QThread::msleep(300);

    // Record about two seconds.
    std::size_t m = rig->mark();
    KorvelRig::click(places.digit, {.repeat = 2});
    ASSERT_TRUE(rig->waitForRequest(m, KorvelRig::request(0xC1, MEM_DISCRETENESS, 0)));
    QThread::msleep(500);
    m = rig->mark();
    KorvelRig::click(places.pusk);
    ASSERT_TRUE(rig->waitForRequest(m, kStart));
    QThread::msleep(2000);
    m = rig->mark();
    KorvelRig::click(places.pusk);
    ASSERT_TRUE(rig->waitForRequest(m, kStop, 2));
    QThread::msleep(500);
    KorvelRig::screenshot("1-recorded");

    // Saved through the popup menu: a chart file of consecutive samples with their inputs.
    const QString saved = rig->filePath(QStringLiteral("run.twi"));
    KorvelRig::chooseMenuEntry(places.plot, 1);
    KorvelRig::answerFileDialog(QStringLiteral("Сохранить как"), saved);
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return QFile::exists(saved); }, 5000))
        << "nothing saved";
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const ChartFileContents contents = ParseChartFile(bytes);
    ASSERT_FALSE(contents.problem) << contents.problem.line;
    EXPECT_EQ(contents.inputsLabel, QStringLiteral("Показывать цифр. входы 1, 3"));
    ASSERT_GT(contents.points.size(), 100u);
    for (std::size_t i = 1; i < contents.points.size(); ++i)
        ASSERT_EQ(contents.points[i].x, contents.points[i - 1].x + 1) << "consecutive samples";

    // Loaded back: the labels of the file are on the picture of the chart.
    KorvelRig::chooseMenuEntry(places.plot, 2);
    KorvelRig::answerFileDialog(QStringLiteral("Открыть"), saved);
    QThread::msleep(500);
    KorvelRig::screenshot("2-loaded");
    const QString picture = rig->filePath(QStringLiteral("chart.png"));
    KorvelRig::chooseMenuEntry(places.plot, 2); // the save of file data is not offered
    KorvelRig::answerFileDialog(QStringLiteral("Сохранить как"), picture);
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return QFile::exists(picture); }, 5000)) << "no picture";
    EXPECT_GT(navyPixels(picture), 50) << "the file's labels are in the picture";

    // The burst: 1001 samples, then the stop; the window responds again afterwards.
    m = rig->mark();
    KorvelRig::click(places.burst);
    ASSERT_TRUE(rig->waitForRequest(m, kStart));
    ASSERT_TRUE(rig->waitForRequest(m, kStop, 1, 30000));
    EXPECT_GE(rig->sim().streamFramesSent(), 1001) << "frames of the burst's stream";
    QThread::msleep(500);
    KorvelRig::screenshot("3-burst");
    const QString afterBurst = rig->filePath(QStringLiteral("burst.twi"));
    KorvelRig::chooseMenuEntry(places.plot, 1);
    KorvelRig::answerFileDialog(QStringLiteral("Сохранить как"), afterBurst);
    ASSERT_TRUE(KorvelRig::waitUntil([&] { return QFile::exists(afterBurst); }, 5000));
    QFile burstFile(afterBurst);
    ASSERT_TRUE(burstFile.open(QIODevice::ReadOnly));
    const ChartFileContents burst = ParseChartFile(burstFile.readAll());
    EXPECT_EQ(burst.points.size(), 1001u);
    EXPECT_EQ(burst.inputsLabel, QStringLiteral("Цифр. входы не записывались"));
    ASSERT_FALSE(burst.times.isEmpty());
    // The times come from the burst's measured rate, not from the nominal period. The
    // simulator sends every 7.5 ms and nothing arrives faster than it sends; a loaded machine
    // may delay its frames, which only stretches the measure, so only the lower bound is
    // tight.
    const double lastTime = burst.times.last().toDouble();
    EXPECT_GT(lastTime, 7.3) << "the measured time of point 1000";
    EXPECT_LT(lastTime, 10.0) << "the measured time of point 1000";
}

} // namespace
} // namespace korvel
