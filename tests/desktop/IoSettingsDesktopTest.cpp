// The settings dialog and the digital I/O strip of the real korvel on an X server, clicked
// like a user would, against korvel-sim. Assertions are about the frames the simulated
// indicator received. The cases share one running korvel and run in order.
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>

namespace korvel {
namespace {

using Write = std::pair<int, int>; // register (or memory offset + 1000), value
using Writes = std::vector<Write>;
constexpr int kMem = 1000;

constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
constexpr QSize kWindow{555, 398};
const QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                     (kScreen.height() - kWindow.height()) / 3};
// The settings dialog (290 x 415) over the main window: centred across, a third down.
const QPoint kDialog = kOrigin + QPoint((555 - 290) / 2, (398 - 415) / 3);
// The strip hangs 395 pixels below the main window's top edge.
const QPoint kStrip = kOrigin + QPoint(0, 395);

class IoSettingsDesktop : public ::testing::Test
{
protected:
    static inline std::unique_ptr<sim::Simulator> sim;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<QProcess> korvel;

    static QString copyPath() { return dir->filePath(QStringLiteral("korvel")); }

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        for (int i = 0; i < 8; ++i) // the device's own output configuration
            sim->setMemoryByte(1, 53 + i, std::uint8_t(i == 0 ? 3 : i == 7 ? 7 : 0));

        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copyPath()));
        ASSERT_EQ(QProcess::execute(
                      QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                      {copyPath() + QStringLiteral(".ini"), QStringLiteral("Параметры COM-порта"),
                       QStringLiteral("COM-порт"), QString::fromStdString(sim->slavePath())}),
                  0);

        korvel = std::make_unique<QProcess>();
        korvel->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvel->setProcessEnvironment(env);
        korvel->start(copyPath(), {});
        ASSERT_TRUE(korvel->waitForStarted());
        ASSERT_TRUE(waitUntil([] { return !writesSince(0).empty(); }, 15000))
            << "korvel never wrote to the indicator";
        QThread::msleep(500); // the window comes to the front
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

    static bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 8000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (pred())
                return true;
            QThread::msleep(20);
        }
        return pred();
    }

    static std::size_t mark() { return sim->requests().size(); }

    // Writes since `from`: registers as they are, memory offsets + kMem.
    static Writes writesSince(std::size_t from)
    {
        Writes out;
        const auto requests = sim->requests();
        for (std::size_t i = from; i < requests.size(); ++i) {
            const auto& b = requests[i].bytes;
            if (requests[i].crcValid && b.size() == 4 && !(b[0] & 0x80))
                out.emplace_back(b[1] + (b[0] & 0x40 ? kMem : 0), b[2]);
        }
        return out;
    }
    // Whether a request with this first byte and register came since `from`.
    static bool requested(std::size_t from, int first, int reg)
    {
        const auto requests = sim->requests();
        for (std::size_t i = from; i < requests.size(); ++i)
            if (requests[i].bytes.size() == 4 && requests[i].bytes[0] == first &&
                requests[i].bytes[1] == reg)
                return true;
        return false;
    }

    static void xdotool(const QStringList& args)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
            << args.join(' ').toStdString();
    }
    // A click at screen coordinates.
    static void click(QPoint s, int button = 1)
    {
        xdotool({"mousemove", QString::number(s.x()), QString::number(s.y()), "sleep", "0.05",
                 "click", QString::number(button)});
    }
    static void key(const QString& name) { xdotool({"key", name}); }

    // Right button on the face, then the first item of its menu.
    static void openSettings()
    {
        const QPoint face = kOrigin + QPoint(150, 300);
        click(face, 3);
        QThread::msleep(400);
        click(face + QPoint(30, 12));
        QThread::msleep(1200); // the dialog unrolls
    }
    // A drop-down list of the dialog (its centre in dialog coordinates): open it, press the
    // keys that find the entry (typing searches from the current one on), take it.
    static void chooseInDialog(QPoint combo, const QStringList& keys)
    {
        click(kDialog + combo);
        QThread::msleep(400);
        for (const QString& k : keys)
            key(k);
        key(QStringLiteral("Return"));
        QThread::msleep(300);
    }
    static void pressOk()
    {
        click(kDialog + QPoint(107 + 37, 376 + 13));
        QThread::msleep(1200); // the dialog rolls up
    }
};

const QPoint kAddressCombo{12 + 150 + 52, 26 + 76 + 11};
const QPoint kPanelBox{12 + 10 + 8, 142 + 10 + 9};

TEST_F(IoSettingsDesktop, NewAddressTakesEffectWithTheNextPoll)
{
    openSettings();
    chooseInDialog(kAddressCombo, {QStringLiteral("5")});
    std::size_t m = mark();
    pressOk();
    EXPECT_TRUE(waitUntil([&] { return requested(m, 0x80 | 5, 0x2A); }))
        << "no display read at address 5";
    EXPECT_TRUE(writesSince(m).empty()) << "the port is not reopened for an address";

    openSettings();
    chooseInDialog(kAddressCombo, {QStringLiteral("Home")});
    pressOk();
    m = mark();
    EXPECT_TRUE(waitUntil([&] { return requested(m, 0x81, 0x2A); }));
}

TEST_F(IoSettingsDesktop, PanelSwitchedOnInTheDialogAppearsAndIsPolled)
{
    const std::size_t m = mark();
    EXPECT_FALSE(requested(0, 0x81, 155));
    openSettings();
    click(kDialog + kPanelBox);
    QThread::msleep(200);
    pressOk();
    EXPECT_TRUE(waitUntil([&] { return requested(m, 0x81, 155); })) << "register 155 not read";
}

TEST_F(IoSettingsDesktop, OutputsTakenOverAndSwitchedByClicks)
{
    // "Разрешить управление цифровыми выходами"
    std::size_t m = mark();
    click(kStrip + QPoint(241 + 8, 66 + 8));
    Writes expected{{254, 1}};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(kMem + 53 + i, 0);
    expected.emplace_back(252, 1);
    EXPECT_TRUE(waitUntil([&] { return writesSince(m).size() >= expected.size(); }));
    EXPECT_EQ(writesSince(m), expected);
    EXPECT_TRUE(sim->outputControl());

    // The outputs are the PC's now and all off; once the strip has seen that, lamp 3 switches
    // output 3 on.
    m = mark();
    ASSERT_TRUE(waitUntil([&] { return requested(m, 0x81, 155); }));
    QThread::msleep(100);
    m = mark();
    click(kStrip + QPoint(232 + 87 + 10, 8 + 17 + 10));
    EXPECT_TRUE(waitUntil([&] { return writesSince(m).size() >= 2; }));
    EXPECT_EQ(writesSince(m), (Writes{{253, 0x04}, {255, 10}}));
    EXPECT_EQ(sim->outputs(), 0x04);
}

TEST_F(IoSettingsDesktop, ClosingHandsTheOutputsBack)
{
    const std::size_t m = mark();
    click(kOrigin + QPoint(492 + 23, 10)); // the close button
    ASSERT_TRUE(korvel->waitForFinished(10000)) << "korvel did not exit";
    Writes expected{{254, 1}};
    const int original[] = {3, 0, 0, 0, 0, 0, 0, 7};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(kMem + 53 + i, original[i]);
    for (const Write& w : Writes{{252, 0}, {255, 17}, {252, 0}})
        expected.push_back(w);
    EXPECT_EQ(writesSince(m), expected);
    const auto block = sim->memoryPage(1);
    EXPECT_EQ(block[53], 3);
    EXPECT_EQ(block[60], 7);
}

} // namespace
} // namespace korvel
