// Chart mode in the real korvel on an X server (Xvfb), clicked like a user would, against
// korvel-sim: a double click on a digit opens the chart, "Пуск" streams, "Стоп" stops,
// "Выход" returns to the front panel. Every assertion is about what the simulated indicator
// received or sent, and about the window.
#include "ChartPanelPlaces.h"
#include "chart/ChartController.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "link/Crc8.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/KeyTable.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace korvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
constexpr QSize kWindow{555, 398};
const QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                     (kScreen.height() - kWindow.height()) / 3};

Bytes request(std::uint8_t first, std::uint8_t reg, std::uint8_t value)
{
    Bytes r{first, reg, value};
    r.push_back(Crc8(r.data(), 3));
    return r;
}

class DesktopChart : public ::testing::Test
{
protected:
    static inline std::unique_ptr<sim::Simulator> sim;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<QProcess> korvel;

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        sim::SimOptions options;
        options.baud = 9600;
        options.streamPattern = sim::StreamPattern::Counting;
        sim = std::make_unique<sim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;

        dir = std::make_unique<QTemporaryDir>();
        const QString copy = dir->filePath(QStringLiteral("korvel"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copy));
        const QString ini = copy + QStringLiteral(".ini");
        auto setKey = [&](const char* section, const char* key, const QString& value) {
            ASSERT_EQ(
                QProcess::execute(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                                  {ini, QString::fromUtf8(section), QString::fromUtf8(key), value}),
                0);
        };
        setKey("Параметры COM-порта", "COM-порт", QString::fromStdString(sim->slavePath()));
        setKey("Графики цифровых входов", "Маска вывода цифровых входов на графики",
               QStringLiteral("31"));

        korvel = std::make_unique<QProcess>();
        korvel->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvel->setProcessEnvironment(env);
        korvel->start(copy, {});
        ASSERT_TRUE(korvel->waitForStarted());
    }

    static void TearDownTestSuite()
    {
        if (korvel && korvel->state() != QProcess::NotRunning) {
            korvel->kill();
            korvel->waitForFinished();
        }
        korvel.reset();
        sim.reset();
        dir.reset();
    }

    static std::size_t mark() { return sim->requests().size(); }
    static std::vector<Bytes> since(std::size_t from)
    {
        std::vector<Bytes> out;
        const auto all = sim->requests();
        for (std::size_t i = from; i < all.size(); ++i)
            out.push_back(all[i].bytes);
        return out;
    }
    static int count(const std::vector<Bytes>& requests, const Bytes& r)
    {
        return int(std::count(requests.begin(), requests.end(), r));
    }
    // Waits (bounded) until `r` has come `n` times since `from`.
    static bool waitFor(std::size_t from, const Bytes& r, int n = 1, int boundMs = 15000)
    {
        for (int waited = 0; waited < boundMs; waited += 20) {
            if (count(since(from), r) >= n)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    static void xdotool(const QStringList& args)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
            << args.join(' ').toStdString();
    }
    static void click(QPoint p, int repeat = 1)
    {
        const QPoint s = kOrigin + p;
        xdotool({QStringLiteral("mousemove"), QString::number(s.x()), QString::number(s.y()),
                 QStringLiteral("sleep"), QStringLiteral("0.05"), QStringLiteral("click"),
                 QStringLiteral("--repeat"), QString::number(repeat), QStringLiteral("--delay"),
                 QStringLiteral("80"), QStringLiteral("1")});
    }
    static QSize windowSize()
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--name"),
                 QStringLiteral("Korvel 1X - 3X"), QStringLiteral("getwindowgeometry"),
                 QStringLiteral("--shell")});
        p.waitForFinished();
        int w = 0, h = 0;
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
            if (line.startsWith(QStringLiteral("WIDTH=")))
                w = line.mid(6).toInt();
            if (line.startsWith(QStringLiteral("HEIGHT=")))
                h = line.mid(7).toInt();
        }
        return {w, h};
    }
    static void resizeWindow(QSize s)
    {
        xdotool({QStringLiteral("search"), QStringLiteral("--name"),
                 QStringLiteral("Korvel 1X - 3X"), QStringLiteral("windowsize"),
                 QString::number(s.width()), QString::number(s.height())});
    }
};

const Bytes kDisplayRead = request(0x81, REG_DISPLAY, DISPLAY_COUNT - 1);
const Bytes kFilterRead = request(0x81, REG_FILTER1, FILTER_COUNT - 1);
const Bytes kStart = request(0x01, REG_COMMAND, CMD_STREAM_START);
const Bytes kStop = request(0x01, REG_COMMAND, CMD_STREAM_STOP);

TEST_F(DesktopChart, DoubleClickRecordStopAndBackToTheFrontPanel)
{
    const test::ChartPanelPlaces buttons = test::chartPanelPlaces(kWindow);
    ASSERT_TRUE(waitFor(0, kDisplayRead, 2)) << "korvel never polled";

    // A double click on a digit: the filters and the scaling are read, polling stops.
    std::size_t m = mark();
    click(buttons.digit, 2);
    ASSERT_TRUE(waitFor(m, kFilterRead));
    ASSERT_TRUE(waitFor(m, request(0xC1, MEM_DISCRETENESS, 0)));
    EXPECT_EQ(count(since(m), request(0xC1, MEM_DECIMALS, 0)), 1);
    QThread::msleep(300);
    const std::size_t quiet = mark();
    QThread::msleep(1000);
    EXPECT_EQ(count(since(quiet), kDisplayRead), 0) << "polling goes on in chart mode";

    // The framed window can be resized; the chart follows.
    resizeWindow({800, 560});
    QThread::msleep(500);
    EXPECT_EQ(windowSize(), QSize(800, 560));

    // "Пуск": the stream starts and runs.
    m = mark();
    click(buttons.pusk);
    ASSERT_TRUE(waitFor(m, kStart));
    QThread::msleep(3000);
    EXPECT_TRUE(sim->streaming());
    EXPECT_GT(sim->streamFramesSent(), 200);

    // "Стоп": the stop command, repeated as the sequence says.
    m = mark();
    click(buttons.pusk);
    ASSERT_TRUE(waitFor(m, kStop, 2));
    for (int waited = 0; waited < 3000 && sim->streaming(); waited += 20)
        QThread::msleep(20);
    EXPECT_FALSE(sim->streaming());

    // "Выход": the shaped front panel at its design size, polling again, keys work.
    QThread::msleep(300);
    m = mark();
    click(buttons.exit);
    ASSERT_TRUE(waitFor(m, kDisplayRead, 2)) << "polling did not come back";
    EXPECT_EQ(windowSize(), kWindow);
    for (const Bytes& r : since(m))
        EXPECT_NE(r, kStart) << "no stream after leaving";
    QThread::msleep(400);
    m = mark();
    for (const KeyDef& k : keyTable())
        if (std::string_view(k.caption) == "5")
            click({(k.hitLeft + k.hitRight) / 2, (k.hitTop + k.hitBottom) / 2 - 8});
    EXPECT_TRUE(waitFor(m, request(0x01, REG_COMMAND, CMD_KEYS_A))) << "the keypad is back";
}

} // namespace
} // namespace korvel
