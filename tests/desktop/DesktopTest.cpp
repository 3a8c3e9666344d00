// The real korvel on an X server, clicked like a user would, against korvel-sim. Every
// assertion is about the frames the simulated indicator received.
#include "link/PosixSerialPort.h"
#include "panel/KeyTable.h"
#include "ui/MessagePopup.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <memory>

namespace korvel {
namespace {

using Write = std::pair<int, int>; // register, value
using Writes = std::vector<Write>;

constexpr QSize kScreen{1024, 768}; // as given to xvfb-run
constexpr QSize kWindow{555, 398};
// Where the main window places itself: centred across, a third down.
const QPoint kOrigin{(kScreen.width() - kWindow.width()) / 2,
                     (kScreen.height() - kWindow.height()) / 3};

class Desktop : public ::testing::Test
{
protected:
    static inline std::unique_ptr<sim::Simulator> sim;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<QProcess> korvel;

    static QString copyPath() { return dir->filePath(QStringLiteral("korvel")); }

    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run";
        sim::SimOptions options;
        options.model = 3;
        sim = std::make_unique<sim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;

        // A copy of its own: its settings file and its single-instance key are the test's.
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_BIN_DIR "/korvel"), copyPath()));
        ASSERT_EQ(QProcess::execute(QStringLiteral(KORVEL_BIN_DIR "/korvel-ini"),
                                    {copyPath() + QStringLiteral(".ini"),
                                     QStringLiteral("Параметры COM-порта"),
                                     QStringLiteral("COM-порт"),
                                     QString::fromStdString(sim->slavePath())}),
                  0);

        korvel = std::make_unique<QProcess>();
        korvel->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvel->setProcessEnvironment(env);
        korvel->start(copyPath(), {});
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

    // Register writes the indicator received since `mark` (requests, not replies).
    static Writes writesSince(std::size_t mark)
    {
        Writes out;
        const auto requests = sim->requests();
        for (std::size_t i = mark; i < requests.size(); ++i) {
            const auto& b = requests[i].bytes;
            if (requests[i].crcValid && b.size() == 4 && (b[0] & 0xC0) == 0)
                out.emplace_back(b[1], b[2]);
        }
        return out;
    }

    static std::size_t mark() { return sim->requests().size(); }

    static Writes waitForWrites(std::size_t from, std::size_t count, int timeoutMs = 8000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (writesSince(from).size() >= count)
                break;
            QThread::msleep(20);
        }
        return writesSince(from);
    }

    static void xdotool(const QStringList& args)
    {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0) << args.join(' ').toStdString();
    }

    // A click at window coordinates, with Ctrl held if asked.
    static void click(QPoint p, bool ctrl = false)
    {
        const QPoint s = kOrigin + p;
        QStringList args;
        if (ctrl)
            args << QStringLiteral("keydown") << QStringLiteral("ctrl");
        // No --sync: it waits for a movement that never comes when the pointer is already there.
        args << QStringLiteral("mousemove") << QString::number(s.x()) << QString::number(s.y())
             << QStringLiteral("sleep") << QStringLiteral("0.05") << QStringLiteral("click")
             << QStringLiteral("1");
        if (ctrl)
            args << QStringLiteral("keyup") << QStringLiteral("ctrl");
        xdotool(args);
    }

    static QPoint keyCentre(const char* caption)
    {
        for (const KeyDef& k : keyTable())
            if (std::string_view(k.caption) == caption)
                // Hit rectangles are in face coordinates, 8 pixels below the window's.
                return {(k.hitLeft + k.hitRight) / 2, (k.hitTop + k.hitBottom) / 2 - 8};
        ADD_FAILURE() << "no key " << caption;
        return {};
    }

    // Lets a pressed picture go away before the next click lands on the same place.
    static void settle(int ms = 400) { QThread::msleep(ms); }
};

TEST_F(Desktop, StartsByUnlockingTheKeyboardAndPolls)
{
    const Writes w = waitForWrites(0, 1, 15000);
    ASSERT_FALSE(w.empty()) << "korvel never wrote to the indicator";
    EXPECT_EQ(w.front(), Write(255, 17));
    // The display is being read.
    for (int waited = 0; waited < 5000 && sim->requests().size() < 3; waited += 20)
        QThread::msleep(20);
    const std::vector<std::uint8_t> displayRead{0x81, 0x2A, 0x0F, 0xF1};
    const auto r = sim->requests();
    EXPECT_TRUE(std::any_of(r.begin(), r.end(), [&](const auto& q) { return q.bytes == displayRead; }));
    settle();
}

TEST_F(Desktop, KeyClicksAndChords)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, bool>> clicks; // key, with Ctrl
        Writes expected;
    };
    std::vector<std::pair<const char*, bool>> allSixteen;
    for (const KeyDef& k : keyTable())
        allSixteen.emplace_back(k.caption, true);
    const Case cases[] = {
        {"key 5", {{"5", false}}, {{253, 0x02}, {255, 12}}},
        {"Ctrl 1, Ctrl 4, 2",
         {{"1", true}, {"4", true}, {"2", false}},
         {{253, 0x01}, {255, 12}, {253, 0x03}, {255, 13}}},
        {"all sixteen with Ctrl", allSixteen, {{253, 0xFF}, {255, 12}, {253, 0xFF}, {255, 13}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t m = mark();
        for (const auto& [key, ctrl] : c.clicks)
            click(keyCentre(key), ctrl);
        EXPECT_EQ(waitForWrites(m, c.expected.size()), c.expected);
        settle();
        EXPECT_EQ(writesSince(m), c.expected) << "more writes than expected";
    }
}

TEST_F(Desktop, AClickBetweenKeysPressesNothing)
{
    const std::size_t m = mark();
    click({369, 80 - 8});
    settle(800);
    EXPECT_TRUE(writesSince(m).empty());
}

TEST_F(Desktop, LockBoxLocksUnlocksAndRevertsWhenTheIndicatorIsSilent)
{
    const QPoint box{41 + 7, 331 + 8};

    // Silent indicator: one attempt, the popup, the box unchecked again.
    sim::SimFaults silent;
    silent.silent = true;
    sim->setFaults(silent);
    std::size_t m = mark();
    click(box);
    EXPECT_EQ(waitForWrites(m, 1), (Writes{{255, 16}}));
    settle(2500); // the write times out, then the popup reveals itself
    const TFormMessage::Geometry g = TFormMessage::geometryFor(0, 0, 0);
    const QPoint popup = kOrigin + QPoint((kWindow.width() - g.size.width()) / 2,
                                          (kWindow.height() - g.size.height()) / 3);
    click(popup - kOrigin + g.okButton.center());
    sim->setFaults(sim::SimFaults{});
    settle(1500);
    EXPECT_EQ(writesSince(m), (Writes{{255, 16}})) << "a refused lock is not sent again";

    // The box is unchecked again, so the next click locks, and the one after unlocks.
    m = mark();
    click(box);
    EXPECT_EQ(waitForWrites(m, 1), (Writes{{255, 16}}));
    settle();
    m = mark();
    click(box);
    EXPECT_EQ(waitForWrites(m, 1), (Writes{{255, 17}}));
    settle();
}

TEST_F(Desktop, ASecondStartHandsOverAndLeavesOneProcess)
{
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    second.setProcessEnvironment(env);
    second.start(copyPath(), {});
    ASSERT_TRUE(second.waitForStarted());
    ASSERT_TRUE(second.waitForFinished(10000)) << "the second copy kept running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(korvel->state(), QProcess::Running);
}

TEST_F(Desktop, ClosingHandsTheIndicatorBackAndReleasesThePort)
{
    const std::size_t m = mark();
    click({492 + 23, 10}); // the close button
    ASSERT_TRUE(korvel->waitForFinished(10000)) << "korvel did not exit";
    EXPECT_EQ(korvel->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(korvel->exitCode(), 0);
    EXPECT_EQ(writesSince(m), (Writes{{255, 17}, {252, 0}}));

    PosixSerialPort port;
    EXPECT_EQ(port.open(sim->slavePath(), 9600, 100).status, PortOpenStatus::Ok)
        << "the port is still held";
}

} // namespace
} // namespace korvel
