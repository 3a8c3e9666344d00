// The chart's files and the timed burst in the real korvel on an X server, as a technician
// would use them: record, save the recording through the popup menu and its file dialog, load
// it back, save a picture of the chart, show the service commands and run the burst. Every
// assertion is about files on disk, the picture, and what the simulated indicator received.
// With KORVEL_SCREENSHOTS set to a folder, the screen is kept there at each step.
#include "ChartPanelPlaces.h"
#include "chart/ChartController.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/core/ChartFileReader.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "panel/ServiceSequence.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
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

class ChartFilesDesktop : public ::testing::Test
{
protected:
    static inline std::unique_ptr<sim::Simulator> sim;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<QProcess> korvel;

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        sim::SimOptions options;
        options.streamPattern = sim::StreamPattern::Counting;
        sim = std::make_unique<sim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;

        // A copy of its own: its folder is where its file dialogs start.
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
               QStringLiteral("5"));

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
    static int countSince(std::size_t from, const Bytes& r)
    {
        const auto all = sim->requests();
        int n = 0;
        for (std::size_t i = from; i < all.size(); ++i)
            n += all[i].bytes == r;
        return n;
    }
    static bool waitUntil(const std::function<bool()>& condition, int boundMs)
    {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > boundMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
    static bool waitFor(std::size_t from, const Bytes& r, int n = 1, int boundMs = 15000)
    {
        return waitUntil([&] { return countSince(from, r) >= n; }, boundMs);
    }

    static void xdotool(const QStringList& args)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
            << args.join(' ').toStdString();
    }
    static void click(QPoint p, int button = 1, int repeat = 1)
    {
        const QPoint s = kOrigin + p;
        xdotool({QStringLiteral("mousemove"), QString::number(s.x()), QString::number(s.y()),
                 QStringLiteral("sleep"), QStringLiteral("0.05"), QStringLiteral("click"),
                 QStringLiteral("--repeat"), QString::number(repeat), QStringLiteral("--delay"),
                 QStringLiteral("80"), QString::number(button)});
    }
    static QString focusedWindowName()
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static void screenshot(const char* name)
    {
        const QString folder = qEnvironmentVariable("KORVEL_SCREENSHOTS");
        if (!folder.isEmpty())
            QProcess::execute(
                QStringLiteral("import"),
                {QStringLiteral("-window"), QStringLiteral("root"),
                 folder + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png")});
    }

    // The n-th visible item of the chart's popup menu, by keyboard.
    static void choosePopupItem(QPoint onPlot, int n)
    {
        click(onPlot, 3);
        QThread::msleep(400);
        QStringList args;
        for (int i = 0; i < n; ++i)
            args << QStringLiteral("key") << QStringLiteral("Down");
        args << QStringLiteral("key") << QStringLiteral("Return");
        xdotool(args);
    }
    static void answerFileDialog(const QString& title, const QString& path)
    {
        auto focused = [&] { return focusedWindowName().startsWith(title); };
        ASSERT_TRUE(waitUntil(focused, 8000))
            << "no file dialog \"" << title.toStdString() << "\", focus on \""
            << focusedWindowName().toStdString() << "\"";
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), path});
        // A completion list may take the first Return.
        for (int i = 0; i < 3 && focused(); ++i) {
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            waitUntil([&] { return !focused(); }, 1000);
        }
        ASSERT_FALSE(focused()) << "the file dialog stayed open";
    }
    static void typeServiceSequence()
    {
        QStringList args{QStringLiteral("keydown"), QStringLiteral("ctrl")};
        auto key = [&](char c) { args << QStringLiteral("key") << QString(QChar(c).toLower()); };
        key(ServiceSequence::CODE[0]);
        for (char c : ServiceSequence::CODE)
            key(c);
        args << QStringLiteral("keyup") << QStringLiteral("ctrl");
        xdotool(args);
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

const Bytes kDisplayRead = request(0x81, REG_DISPLAY, DISPLAY_COUNT - 1);
const Bytes kStart = request(0x01, REG_COMMAND, CMD_STREAM_START);
const Bytes kStop = request(0x01, REG_COMMAND, CMD_STREAM_STOP);

TEST_F(ChartFilesDesktop, RecordSaveLoadPictureAndBurst)
{
    const test::ChartPanelPlaces places = test::chartPanelPlaces(kWindow, true);
    ASSERT_TRUE(waitFor(0, kDisplayRead, 2)) << "korvel never polled";
    typeServiceSequence();
    QThread::msleep(300);

    // Record about two seconds.
    std::size_t m = mark();
    click(places.digit, 1, 2);
    ASSERT_TRUE(waitFor(m, request(0xC1, MEM_DISCRETENESS, 0)));
    QThread::msleep(500);
    m = mark();
    click(places.pusk);
    ASSERT_TRUE(waitFor(m, kStart));
    QThread::msleep(2000);
    m = mark();
    click(places.pusk);
    ASSERT_TRUE(waitFor(m, kStop, 2));
    QThread::msleep(500);
    screenshot("1-recorded");

    // Saved through the popup menu: a chart file of consecutive samples with their inputs.
    const QString saved = dir->filePath(QStringLiteral("run.twi"));
    choosePopupItem(places.plot, 1);
    answerFileDialog(QStringLiteral("Сохранить как"), saved);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(saved); }, 5000)) << "nothing saved";
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
    choosePopupItem(places.plot, 2);
    answerFileDialog(QStringLiteral("Открыть"), saved);
    QThread::msleep(500);
    screenshot("2-loaded");
    const QString picture = dir->filePath(QStringLiteral("chart.png"));
    choosePopupItem(places.plot, 2); // the save of file data is not offered
    answerFileDialog(QStringLiteral("Сохранить как"), picture);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(picture); }, 5000)) << "no picture";
    EXPECT_GT(navyPixels(picture), 50) << "the file's labels are in the picture";

    // The burst: 1001 samples, then the stop; the window responds again afterwards.
    m = mark();
    click(places.burst);
    ASSERT_TRUE(waitFor(m, kStart));
    ASSERT_TRUE(waitFor(m, kStop, 1, 30000));
    EXPECT_GE(sim->streamFramesSent(), 1001) << "frames of the burst's stream";
    QThread::msleep(500);
    screenshot("3-burst");
    const QString afterBurst = dir->filePath(QStringLiteral("burst.twi"));
    choosePopupItem(places.plot, 1);
    answerFileDialog(QStringLiteral("Сохранить как"), afterBurst);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(afterBurst); }, 5000));
    QFile burstFile(afterBurst);
    ASSERT_TRUE(burstFile.open(QIODevice::ReadOnly));
    const ChartFileContents burst = ParseChartFile(burstFile.readAll());
    EXPECT_EQ(burst.points.size(), 1001u);
    EXPECT_EQ(burst.inputsLabel, QStringLiteral("Цифр. входы не записывались"));
    ASSERT_FALSE(burst.times.isEmpty());
    EXPECT_NEAR(burst.times.last().toDouble(), 7.5, 0.2) << "the measured time of point 1000";
}

} // namespace
} // namespace korvel
