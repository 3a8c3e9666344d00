// Chart mode in the real korvel on an X server (Xvfb), clicked like a user would, against
// korvel-sim: a double click on a digit opens the chart, "Пуск" streams, "Стоп" stops,
// "Выход" returns to the front panel. Every assertion is about what the simulated indicator
// received or sent, and about the window.
#include "ChartPanelPlaces.h"
#include "KorvelRig.h"
#include "link/DeviceMap.h"

#include <QThread>

namespace korvel {
namespace {

using test::KorvelRig;
using Bytes = KorvelRig::Bytes;

class DesktopChart : public test::SharedKorvel<DesktopChart>
{
protected:
    static void SetUpTestSuite()
    {
        sim::SimOptions options;
        options.baud = 9600;
        options.streamPattern = sim::StreamPattern::Counting;
        startRig({.sim = options, .settings = {KorvelRig::chartInputs(31)}});
    }
};

const Bytes kDisplayRead = KorvelRig::request(0x81, REG_DISPLAY, DISPLAY_COUNT - 1);
const Bytes kFilterRead = KorvelRig::request(0x81, REG_FILTER1, FILTER_COUNT - 1);
const Bytes kStart = KorvelRig::request(0x01, REG_COMMAND, CMD_STREAM_START);
const Bytes kStop = KorvelRig::request(0x01, REG_COMMAND, CMD_STREAM_STOP);

TEST_F(DesktopChart, DoubleClickRecordStopAndBackToTheFrontPanel)
{
    const test::ChartPanelPlaces buttons = test::chartPanelPlaces(KorvelRig::kWindow);
    ASSERT_TRUE(rig->waitForRequest(0, kDisplayRead, 2)) << "korvel never polled";

    // A double click on a digit: the filters and the scaling are read, polling stops.
    std::size_t m = rig->mark();
    KorvelRig::click(buttons.digit, {.repeat = 2});
    ASSERT_TRUE(rig->waitForRequest(m, kFilterRead));
    ASSERT_TRUE(rig->waitForRequest(m, KorvelRig::request(0xC1, MEM_DISCRETENESS, 0)));
    EXPECT_EQ(rig->countSince(m, KorvelRig::request(0xC1, MEM_DECIMALS, 0)), 1);
    QThread::msleep(300);
    const std::size_t quiet = rig->mark();
    QThread::msleep(1000);
    EXPECT_EQ(rig->countSince(quiet, kDisplayRead), 0) << "polling goes on in chart mode";

    // The framed window can be resized; the chart follows.
    KorvelRig::resizeWindow({800, 560});
    QThread::msleep(500);
    EXPECT_EQ(KorvelRig::windowSize(), QSize(800, 560));

    // "Пуск": the stream starts and runs.
    m = rig->mark();
    KorvelRig::click(buttons.pusk);
    ASSERT_TRUE(rig->waitForRequest(m, kStart));
    QThread::msleep(3000);
    EXPECT_TRUE(rig->sim().streaming());
    EXPECT_GT(rig->sim().streamFramesSent(), 200);

    // "Стоп": the stop command, repeated as the sequence says.
    m = rig->mark();
    KorvelRig::click(buttons.pusk);
    ASSERT_TRUE(rig->waitForRequest(m, kStop, 2));
    KorvelRig::waitUntil([] { return !rig->sim().streaming(); }, 3000);
    EXPECT_FALSE(rig->sim().streaming());

    // "Выход": the shaped front panel at its design size, polling again, keys work.
    QThread::msleep(300);
    m = rig->mark();
    KorvelRig::click(buttons.exit);
    ASSERT_TRUE(rig->waitForRequest(m, kDisplayRead, 2)) << "polling did not come back";
    EXPECT_EQ(KorvelRig::windowSize(), KorvelRig::kWindow);
    for (const Bytes& r : rig->requestsSince(m))
        EXPECT_NE(r, kStart) << "no stream after leaving";
    QThread::msleep(400);
    m = rig->mark();
    KorvelRig::clickKey("5");
    EXPECT_TRUE(rig->waitForRequest(m, KorvelRig::request(0x01, REG_COMMAND, CMD_KEYS_A)))
        << "the keypad is back";
}

// A right click on the chart, dismissed with Escape, must leave the keyboard with the focus
// sink: the service key sequence typed afterwards shows the burst, whose button then streams.
class DesktopChartFocus : public test::SharedKorvel<DesktopChartFocus>
{
protected:
    static void SetUpTestSuite()
    {
        sim::SimOptions options;
        options.streamPattern = sim::StreamPattern::Counting;
        startRig({.sim = options});
    }
};

TEST_F(DesktopChartFocus, ServiceSequenceAfterADismissedMenuShowsTheBurst)
{
    const test::ChartPanelPlaces hidden = test::chartPanelPlaces(KorvelRig::kWindow);
    const test::ChartPanelPlaces shown = test::chartPanelPlaces(KorvelRig::kWindow, true);
    ASSERT_TRUE(rig->waitForRequest(0, kDisplayRead, 2)) << "korvel never polled";
    std::size_t m = rig->mark();
    KorvelRig::click(hidden.digit, {.repeat = 2});
    ASSERT_TRUE(rig->waitForRequest(m, KorvelRig::request(0xC1, MEM_DISCRETENESS, 0)));
    QThread::msleep(500);

    KorvelRig::click(hidden.plot, {.button = 3});
    QThread::msleep(400);
    KorvelRig::xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    QThread::msleep(300);
    KorvelRig::typeServiceSequence();
    QThread::msleep(300);

    m = rig->mark();
    KorvelRig::click(shown.burst);
    EXPECT_TRUE(rig->waitForRequest(m, kStart)) << "the burst button did not show";
    EXPECT_TRUE(rig->waitForRequest(m, kStop)) << "the burst ends with the stop command";
}

} // namespace
} // namespace korvel
