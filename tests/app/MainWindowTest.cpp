// The main window against the simulated indicator on a pseudo-terminal: creation, the
// connection at the end of the reveal, the keypad wiring, the service sequence and the
// close sequence with its shutdown writes.
#include "app/MainWindow.h"
#include "link/Crc8.h"
#include "link/DeviceMap.h"
#include "link/SerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/Keypad.h"
#include "panel/PollCycle.h"
#include "panel/ServiceSequence.h"
#include "panel/SvgPicture.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "ui/MessagePopup.h"
#include "ui/SkinnedWindow.h"
#include "sim/Simulator.h"

#include "support/PopupDismisser.h"
#include "support/WaitFor.h"
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

namespace korvel {
namespace {

namespace k = settings_keys;

bool waitFor(const std::function<bool()>& pred, int boundMs = 5000)
{
    return korvel::test::waitFor(pred, boundMs);
}

using test::PopupDismisser;

struct Write
{
    std::uint8_t reg, value;
    bool operator==(const Write&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Write& w)
{
    return os << int(w.reg) << "<-" << int(w.value);
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("korvel.ini")); }

    // The settings file with the port and a short read time-out, then the window.
    void create(const QString& port)
    {
        IniProfile ini;
        ini.writeString(k::kPortSection, k::kPortName, port);
        ini.writeInteger(k::kPortSection, k::kReadTimeout, 50);
        ASSERT_TRUE(ini.saveFile(iniPath()));
        w = std::make_unique<TMainFormTestIndKorvel>(iniPath());
    }
    void createOnSim() { create(QString::fromStdString(sim->slavePath())); }

    void showAndReveal()
    {
        w->show();
        ASSERT_TRUE(waitFor([this] { return !w->skin().isRevealing(); }));
    }
    void startPolling()
    {
        createOnSim();
        showAndReveal();
        ASSERT_TRUE(w->poll().pollingEnabled());
        ASSERT_TRUE(waitFor([this] { return displayReads() >= 1; }));
    }

    // Register writes the indicator received, in order.
    std::vector<Write> writes() const
    {
        std::vector<Write> out;
        for (const auto& r : sim->requests()) {
            EXPECT_TRUE(r.crcValid);
            if (r.bytes.size() == 4 && (r.bytes[0] & 0xC0) == ACCESS_REG_WRITE)
                out.push_back({r.bytes[1], r.bytes[2]});
        }
        return out;
    }
    int displayReads() const
    {
        int n = 0;
        for (const auto& r : sim->requests())
            n += r.bytes.size() == 4 && r.bytes[0] == (ACCESS_REG_READ | 1) &&
                 r.bytes[1] == REG_DISPLAY && r.bytes[2] == DISPLAY_COUNT - 1;
        return n;
    }
    bool waitUntilClosed()
    {
        return waitFor([this] { return !w->isVisible(); });
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<TMainFormTestIndKorvel> w;
};

TEST_F(MainWindowTest, CreationBuildsTheShapedWindowWithoutTouchingThePort)
{
    createOnSim();
    EXPECT_EQ(w->objectName(), QStringLiteral("TMainFormTestIndKorvel"));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w->minimumSize(), QSize(555, 398));
    EXPECT_EQ(w->size(), QSize(555, 398));
    EXPECT_EQ(w->windowTitle(),
              QStringLiteral(" Korvel 1X - 3X, ") + QCoreApplication::applicationFilePath());
    EXPECT_TRUE(w->frontPanel().laKorvelVersiya()->text().isEmpty());
    EXPECT_EQ(w->CheckBoxBlockKeyboard()->text(), QStringLiteral("Блокировка клавиатуры прибора"));
    EXPECT_FALSE(w->CheckBoxBlockKeyboard()->isChecked());
    EXPECT_EQ(w->ButtonPusto()->objectName(), QStringLiteral("ButtonPusto"));
    EXPECT_EQ(w->MainPopupMenu()->objectName(), QStringLiteral("MainPopupMenu"));

    struct Item
    {
        const char* name;
        const char* caption; // nullptr: separator
        bool visible;
    };
    const Item items[] = {
        {"NComPortProperties", "Настройки", true},
        {"NFindDevice", "Поиск прибора", true},
        {"N1", nullptr, true},
        {"NReadEEPROM", "Прочитать EEPROM", false},
        {"NWriteEEPROM", "Записать EEPROM", false},
        {"N3", nullptr, true},
        {"NReadFM", "Прочитать FM", false},
        {"NWriteFM", "Записать FM", false},
        {"N2", nullptr, true},
        {"NGraphic", "График", true},
    };
    const QList<QAction*> actions = w->MainPopupMenu()->actions();
    ASSERT_EQ(actions.size(), int(std::size(items)));
    for (int i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(items[i].name);
        EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(items[i].name));
        EXPECT_EQ(actions[i]->isSeparator(), items[i].caption == nullptr);
        if (items[i].caption != nullptr) {
            EXPECT_EQ(actions[i]->text(), QString::fromUtf8(items[i].caption));
        }
        EXPECT_EQ(actions[i]->isVisible(), items[i].visible);
    }

    // The reveal runs from creation; the port waits for its end.
    EXPECT_TRUE(w->skin().isRevealing());
    EXPECT_EQ(w->port().state(), PortState::NeverOpened);
    EXPECT_FALSE(w->poll().pollingEnabled());
    QTest::qWait(100);
    EXPECT_TRUE(sim->requests().empty());
}

// The picture buttons are found by screen readers and UI automation under their names.
TEST_F(MainWindowTest, WindowButtonsAreReachableByAssistiveTechnology)
{
    createOnSim();
    QStringList buttons;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* a) {
        if (a->role() == QAccessible::Button && !a->text(QAccessible::Name).isEmpty())
            buttons << a->text(QAccessible::Name);
        for (int i = 0; i < a->childCount(); ++i)
            walk(a->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(w.get()));
    EXPECT_TRUE(buttons.contains(QStringLiteral("Закрыть"))) << buttons.join(',').toStdString();
    EXPECT_TRUE(buttons.contains(QStringLiteral("Свернуть"))) << buttons.join(',').toStdString();
}

TEST_F(MainWindowTest, EndOfRevealUnlocksTheKeyboardAndStartsPolling)
{
    createOnSim();
    QSignalSpy revealed(&w->skin(), &SkinnedWindow::revealFinished);
    showAndReveal();
    EXPECT_EQ(revealed.count(), 1);
    EXPECT_EQ(w->port().state(), PortState::Open);
    EXPECT_TRUE(w->poll().pollingEnabled());
    ASSERT_TRUE(waitFor([this] { return displayReads() >= 2; }));

    const auto requests = sim->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().bytes, (std::vector<std::uint8_t>{0x01, 0xFF, 0x11, 0xB6}));
    EXPECT_EQ(writes(), (std::vector<Write>{{REG_COMMAND, CMD_KEYBOARD_UNLOCK}}));
}

TEST_F(MainWindowTest, PortThatDoesNotOpenIsShownOnTheDisplaysAndNothingPolls)
{
    create(QStringLiteral("COM99")); // /dev/ttyS98
    PopupDismisser popups;
    showAndReveal();
    ASSERT_TRUE(waitFor([&] { return popups.texts.size() == 1; }));

    FrontPanel& face = w->frontPanel();
    const char* row1[] = {"C", "O", "M", "9"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(face.row1Digit(6 - i)->caption(), QString::fromLatin1(row1[i])) << i;
    EXPECT_EQ(face.row2Digit(9)->caption(), QStringLiteral("н"));
    EXPECT_FALSE(w->poll().pollingEnabled());
    QTest::qWait(400);
    EXPECT_EQ(popups.texts.size(), 1);
    EXPECT_FALSE(w->poll().pollingEnabled());
}

// Technicians often start the program before plugging the adapter in. The port state shows,
// the port is tried quietly about once a second, and once the adapter is there (the
// simulator's link made 3 s later) the keyboard is unlocked and the display reads, with no
// popup beyond the start-up's port message.
TEST_F(MainWindowTest, AnAdapterPluggedInAfterTheStartIsTakenUp)
{
    const QString link = dir.filePath(QStringLiteral("indicator"));
    create(link);
    PopupDismisser popups;
    showAndReveal();
    ASSERT_TRUE(waitFor([&] { return popups.texts.size() == 1; }));
    EXPECT_TRUE(popups.texts[0].contains(QStringLiteral("такого порта не существует")));
    EXPECT_EQ(w->frontPanel().row2Digit(6)->caption(), QStringLiteral("о")) << "не открыт";
    EXPECT_FALSE(w->poll().pollingEnabled());
    QTest::qWait(3000);

    sim::SimOptions options;
    options.linkPath = link.toStdString();
    sim::Simulator late(options);
    std::string error;
    ASSERT_TRUE(late.start(&error)) << error;
    QElapsedTimer sinceLink;
    sinceLink.start();
    const auto reads = [&late] {
        int n = 0;
        for (const auto& r : late.requests())
            n += r.bytes.size() == 4 && r.bytes[0] == (ACCESS_REG_READ | 1) &&
                 r.bytes[1] == REG_DISPLAY;
        return n;
    };
    ASSERT_TRUE(waitFor([&] { return reads() >= 1; }, 2000));
    EXPECT_LE(sinceLink.elapsed(), 2000);
    EXPECT_TRUE(w->poll().pollingEnabled());
    const auto requests = late.requests();
    EXPECT_EQ(requests.front().bytes, (std::vector<std::uint8_t>{0x01, 0xFF, 0x11, 0xB6}))
        << "the keyboard unlocked first";
    ASSERT_TRUE(waitFor([this] { return !w->frontPanel().laKorvelVersiya()->text().isEmpty(); }));
    EXPECT_EQ(popups.texts.size(), 1) << popups.texts.join('|').toStdString();
    w->close();
    ASSERT_TRUE(waitUntilClosed());
}

// Closing hands the keyboard and the outputs back (only while polling runs), closes the port,
// plays the closing animation and then really closes.
TEST_F(MainWindowTest, CloseReleasesTheIndicatorAndPlaysTheClosingAnimation)
{
    for (bool polling : {true, false}) {
        SCOPED_TRACE(polling ? "polling" : "polling stopped");
        startPolling();
        if (!polling)
            w->poll().disablePolling();
        sim->clearRequests();

        EXPECT_FALSE(w->close()); // refused: the animation plays first
        EXPECT_TRUE(w->skin().isClosing());
        EXPECT_NE(w->port().state(), PortState::Open);
        EXPECT_FALSE(w->poll().pollingEnabled());
        if (polling)
            EXPECT_EQ(writes(), (std::vector<Write>{{REG_COMMAND, CMD_KEYBOARD_UNLOCK},
                                                    {REG_OUTPUT_CONTROL, 0}}));
        else
            EXPECT_TRUE(writes().empty());

        ASSERT_TRUE(waitUntilClosed());
        EXPECT_TRUE(w->skin().closeAllowed());
        EXPECT_EQ(sim->requests().size(), polling ? 2u : 0u);
        w.reset();
        sim->clearRequests();
    }
}

TEST_F(MainWindowTest, CloseIsRefusedWhileTheChartRuns)
{
    startPolling();
    bool chartRuns = true;
    w->chartRunning = [&] { return chartRuns; };
    sim->clearRequests();

    EXPECT_FALSE(w->close());
    EXPECT_FALSE(w->skin().isClosing());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->port().state(), PortState::Open);
    EXPECT_TRUE(w->poll().pollingEnabled());
    EXPECT_TRUE(writes().empty());

    chartRuns = false;
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->skin().isClosing());
    ASSERT_TRUE(waitUntilClosed());
}

TEST_F(MainWindowTest, CloseDuringTheRevealStopsItAndNeverOpensThePort)
{
    createOnSim();
    QSignalSpy revealed(&w->skin(), &SkinnedWindow::revealFinished);
    w->show();
    ASSERT_TRUE(w->skin().isRevealing());
    EXPECT_FALSE(w->close());
    EXPECT_FALSE(w->skin().isRevealing());
    EXPECT_TRUE(w->skin().isClosing());

    ASSERT_TRUE(waitUntilClosed());
    QTest::qWait(50);
    EXPECT_EQ(revealed.count(), 0);
    EXPECT_EQ(w->port().state(), PortState::NeverOpened);
    EXPECT_FALSE(w->poll().pollingEnabled());
    EXPECT_TRUE(sim->requests().empty());
}

// The exit writes a chart key only when its control differs from what was loaded; with
// nothing changed the file is not replaced at all.
TEST_F(MainWindowTest, CloseWritesOnlyChangedChartSettings)
{
    for (bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed" : "unchanged");
        startPolling();
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        struct stat st = {};
        ASSERT_EQ(::stat(iniPath().toLocal8Bit().constData(), &st), 0);
        const ino_t inodeBefore = st.st_ino;

        if (changed)
            w->chartControls().setTimeOnGraph(12);
        w->close();
        ASSERT_TRUE(waitUntilClosed());

        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        file.close();
        ASSERT_EQ(::stat(iniPath().toLocal8Bit().constData(), &st), 0);
        IniProfile ini;
        ASSERT_EQ(ini.loadFile(iniPath()), IniProfile::LoadStatus::Loaded);
        if (changed) {
            EXPECT_EQ(ini.readInteger(k::kChartSection, k::kTimeOnGraph, -1), 12);
            EXPECT_EQ(ini.readString(k::kPortSection, k::kPortName, {}),
                      QString::fromStdString(sim->slavePath()));
        } else {
            EXPECT_EQ(after, before);
            EXPECT_EQ(st.st_ino, inodeBefore);
            EXPECT_FALSE(ini.contains(k::kChartSection, k::kTimeOnGraph));
        }
        w.reset();
    }
}

TEST_F(MainWindowTest, ClicksOnTheFaceReachTheKeypadAndTheDrag)
{
    startPolling();
    SvgPicture* face = w->frontPanel().MainImage();
    EXPECT_EQ(face->geometry(), QRect(0, -8, 577, 414));

    // Key 5 at MainImage (397, 140), that is window (397, 132).
    sim->clearRequests();
    QTest::mouseClick(face, Qt::LeftButton, {}, QPoint(397, 140));
    EXPECT_EQ(writes(), (std::vector<Write>{{REG_ARGUMENT, 0x02}, {REG_COMMAND, CMD_KEYS_A}}));
    EXPECT_TRUE(w->frontPanel().keyPicture(QStringLiteral("5"))->isVisible());
    EXPECT_TRUE(w->poll().pollingEnabled());
    ASSERT_TRUE(
        waitFor([this] { return !w->frontPanel().keyPicture(QStringLiteral("5"))->isVisible(); }));

    // Between two keys: nothing; beside the keys: a drag that follows the pointer.
    sim->clearRequests();
    QTest::mousePress(face, Qt::LeftButton, {}, QPoint(369, 80));
    EXPECT_FALSE(w->skin().dragActive());
    QTest::mouseRelease(face, Qt::LeftButton, {}, QPoint(369, 80));
    const QPoint before = w->pos();
    QTest::mousePress(face, Qt::LeftButton, {}, QPoint(300, 80));
    EXPECT_TRUE(w->skin().dragActive());
    QTest::mouseMove(face, QPoint(310, 85));
    QTest::mouseRelease(face, Qt::LeftButton, {}, QPoint(310, 85));
    EXPECT_FALSE(w->skin().dragActive());
    EXPECT_EQ(w->pos(), before + QPoint(10, 5));
    EXPECT_TRUE(writes().empty());

    // The right button presses nothing; the context menu comes up.
    QTest::mousePress(face, Qt::RightButton, {}, QPoint(397, 140));
    EXPECT_FALSE(w->skin().dragActive());
    QTest::mouseRelease(face, Qt::RightButton, {}, QPoint(397, 140));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(397, 140),
                                face->mapToGlobal(QPoint(397, 140)));
    QApplication::sendEvent(face, &menuEvent);
    EXPECT_TRUE(w->MainPopupMenu()->isVisible());
    w->MainPopupMenu()->hide();
    EXPECT_TRUE(writes().empty());
    EXPECT_FALSE(w->frontPanel().keyPicture(QStringLiteral("5"))->isVisible());

    // A quick second click on a key comes as a double click: it is one more press.
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(453, 140),
                       face->mapToGlobal(QPointF(453, 140)), Qt::LeftButton, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(face, &second);
    EXPECT_EQ(writes(), (std::vector<Write>{{REG_ARGUMENT, 0x04}, {REG_COMMAND, CMD_KEYS_A}}));
}

// Locking against an indicator that does not answer: the popup, one write, the box unchecked.
TEST_F(MainWindowTest, LockBoxAgainstTheIndicator)
{
    startPolling();
    QCheckBox* box = w->CheckBoxBlockKeyboard();
    sim->clearRequests();
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(sim->keyboardLocked());
    EXPECT_EQ(writes(), (std::vector<Write>{{REG_COMMAND, CMD_KEYBOARD_LOCK}}));
    box->click();
    EXPECT_FALSE(sim->keyboardLocked());

    PopupDismisser popups;
    sim::SimFaults silent;
    silent.silent = true;
    sim->setFaults(silent);
    sim->clearRequests();
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(popups.texts, QStringList{TFormMessage::defaultText()});
    EXPECT_EQ(writes(), (std::vector<Write>{{REG_COMMAND, CMD_KEYBOARD_LOCK}}));
    EXPECT_TRUE(w->poll().pollingEnabled());
}

TEST_F(MainWindowTest, ServiceSequenceOnTheFocusSinkTogglesTheServiceCommands)
{
    createOnSim();
    QPushButton* sink = w->ButtonPusto();
    auto send = [sink](int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(sink, &e);
    };
    // Ctrl goes down once and stays down; the first letter registers twice.
    auto typeCode = [&](bool ctrlAgainMidway) {
        send(Qt::Key_Control, Qt::ControlModifier);
        send(ServiceSequence::CODE[0], Qt::ControlModifier);
        send(ServiceSequence::CODE[0], Qt::ControlModifier);
        for (int i = 1; i < 5; ++i) {
            if (ctrlAgainMidway && i == 3)
                send(Qt::Key_Control, Qt::ControlModifier);
            send(ServiceSequence::CODE[i], Qt::ControlModifier);
        }
    };
    auto serviceShown = [this](bool shown) {
        for (const char* name : {"NReadEEPROM", "NWriteEEPROM", "NReadFM", "NWriteFM"}) {
            QAction* a = nullptr;
            for (QAction* b : w->MainPopupMenu()->actions())
                if (b->objectName() == QLatin1String(name))
                    a = b;
            if (a == nullptr || a->isVisible() != shown)
                return false;
        }
        return true;
    };

    ASSERT_TRUE(serviceShown(false));
    typeCode(true);
    EXPECT_TRUE(serviceShown(false)) << "Ctrl pressed again breaks the sequence";
    typeCode(false);
    EXPECT_TRUE(serviceShown(true));
    typeCode(false);
    EXPECT_TRUE(serviceShown(false));
    EXPECT_TRUE(sim->requests().empty());
}

TEST_F(MainWindowTest, RestoreBringsTheMinimizedWindowBack)
{
    startPolling();
    w->showMinimized();
    ASSERT_TRUE(waitFor([this] { return w->isMinimized(); }));
    w->restoreFromMinimized();
    EXPECT_TRUE(waitFor([this] { return !w->isMinimized() && w->isVisible(); }));
}

} // namespace
} // namespace korvel
