// "Записывать в файл" in the real korvel on an X server: the box ticked and its file chosen
// through the dialog, a run against the counting stream, and the program killed (SIGKILL) in
// the middle of it. What is on disk must be a chart file that reads back whole, every frame in
// order, and reaches to within a second of the kill: the recording is handed to the system as
// it goes, not kept in the program until the stop.
#include "ChartPanelPlaces.h"
#include "KorvelRig.h"
#include "chart/core/ChartFileReader.h"
#include "link/DeviceMap.h"

#include <QFile>
#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;

TEST(ChartRecordingDesktop, AKilledProgramLeavesAFileReadingBackToWithinASecondOfTheKill)
{
    sim::SimOptions options;
    options.streamPattern = sim::StreamPattern::Counting;
    KorvelRig rig({.sim = options});
    ASSERT_TRUE(rig.started());
    const test::ChartPanelPlaces places = test::chartPanelPlaces(KorvelRig::kWindow);
    const auto displayRead = KorvelRig::request(0x81, REG_DISPLAY, DISPLAY_COUNT - 1);
    ASSERT_TRUE(rig.waitForRequest(0, displayRead, 2)) << "korvel never polled";

    std::size_t m = rig.mark();
    KorvelRig::click(places.digit, {.repeat = 2});
    ASSERT_TRUE(rig.waitForRequest(m, KorvelRig::request(0xC1, MEM_DISCRETENESS, 0)));
    QThread::msleep(500);

    // The dialog offers a name of its own: ours replaces it.
    const QString path = rig.filePath(QStringLiteral("recording.twi"));
    KorvelRig::click(places.record);
    ASSERT_TRUE(KorvelRig::waitUntil(
        [] { return KorvelRig::focusedWindowName().startsWith(QStringLiteral("Сохранить как")); }));
    KorvelRig::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    KorvelRig::answerFileDialog(QStringLiteral("Сохранить как"), path);

    m = rig.mark();
    KorvelRig::click(places.pusk);
    ASSERT_TRUE(rig.waitForRequest(m, KorvelRig::request(0x01, REG_COMMAND, CMD_STREAM_START)));
    QThread::msleep(3000);
    const long sentAtKill = rig.sim().streamFramesSent();
    rig.process().kill();
    ASSERT_TRUE(rig.process().waitForFinished(5000));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "no recording on disk";
    const ChartFileContents contents = ParseChartFile(file.readAll());
    ASSERT_FALSE(contents.problem) << contents.problem.line;
    EXPECT_EQ(contents.form, ChartFileContents::Form::Chart);
    ASSERT_FALSE(contents.points.empty());
    // Frame n of the stream is point n of the run, its weight n in the indicator's units.
    const double unit = contents.points.size() > 1 ? contents.points[1].y : 1.0;
    for (std::size_t i = 0; i < contents.points.size(); ++i) {
        ASSERT_EQ(contents.points[i].x, double(i)) << "every frame once, in order";
        ASSERT_NEAR(contents.points[i].y, double(i) * unit, unit / 10) << i;
    }
    const long recorded = long(contents.points.size());
    const long perSecond = std::lround(1000.0 / options.periodMs);
    EXPECT_GE(recorded, sentAtKill - perSecond)
        << recorded << " frames on disk of " << sentAtKill << " sent before the kill";
}

} // namespace
} // namespace korvel
