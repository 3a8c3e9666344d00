// The settings dialog against the simulated indicator over a pseudo-terminal: what it shows
// when it opens, what OK saves and reconnects, and that the close button saves nothing.
#include "settings_dialog/SettingsDialog.h"
#include "link/DeviceMap.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValues.h"
#include "settings_dialog/ColorSample.h"
#include "ui/ImageButton.h"
#include "ui/SkinnedWindow.h"
#include "sim/Simulator.h"
#include "support/PopupDismisser.h"
#include "support/WaitFor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace korvel {
namespace {

namespace k = settings_keys;
using test::PopupDismisser;
using test::waitFor;

std::unique_ptr<sim::Simulator> startSim()
{
    auto sim = std::make_unique<sim::Simulator>(sim::SimOptions{});
    std::string error;
    EXPECT_TRUE(sim->start(&error)) << error;
    return sim;
}

// Register writes a simulated indicator received.
int writesOf(const sim::Simulator& sim, std::uint8_t reg, std::uint8_t value)
{
    int n = 0;
    for (const auto& r : sim.requests())
        n += r.bytes.size() == 4 && (r.bytes[0] & 0xC0) == ACCESS_REG_WRITE && r.bytes[1] == reg &&
             r.bytes[2] == value;
    return n;
}
bool readsAt(const sim::Simulator& sim, int address)
{
    for (const auto& r : sim.requests())
        if (r.bytes.size() == 4 && r.bytes[0] == (ACCESS_REG_READ | address))
            return true;
    return false;
}

class SettingsDialogTest : public ::testing::Test
{
public: // the cases of a table reach in through a reference
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sim = startSim();
        other = startSim();
    }
    void TearDown() override
    {
        dialog.reset();
        poll.reset();
        link.reset();
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("korvel.ini")); }
    QString simPath() const { return QString::fromStdString(sim->slavePath()); }
    QString otherPath() const { return QString::fromStdString(other->slavePath()); }
    QByteArray fileBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    IniProfile file() const
    {
        IniProfile ini;
        ini.loadFile(iniPath());
        return ini;
    }

    // The settings file (the simulator's port unless said else), loaded, the port opened on
    // it and the poll running, as the main window has them.
    void start(const std::function<void(IniProfile&)>& more = {})
    {
        IniProfile ini;
        ini.writeString(k::kPortSection, k::kPortName, simPath());
        ini.writeInteger(k::kPortSection, k::kReadTimeout, 50);
        if (more)
            more(ini);
        ASSERT_TRUE(ini.saveFile(iniPath()));
        store = std::make_unique<SettingsStore>(iniPath());
        store->LoadSettings(settings, chart);
        link = std::make_unique<Link>(port, systemClock(), settings);
        poll = std::make_unique<PollCycle>(*link, settings, face);
        poll->PollWasEnabled =
            port.open(settings.CommName.toStdString(), settings.BaudRate, 50).status ==
            PortOpenStatus::Ok;
        if (poll->PollWasEnabled)
            poll->enablePolling();
        context = std::make_unique<SettingsDialogContext>(
            SettingsDialogContext{settings, *store, chart, port, *link, *poll, face,
                                  [this] { ++panelOpened; }, [this] { ++panelClosed; }});
    }

    // As the menu item does it, but without a modal loop: the poll paused, the dialog shown;
    // the poll runs again once the dialog has unrolled.
    void openDialog()
    {
        const bool polling = poll->pollingEnabled();
        poll->suspendPolling();
        dialog = std::make_unique<TFormProperties>(*context);
        dialog->show();
        EXPECT_TRUE(dialog->skin().isRevealing());
        EXPECT_FALSE(poll->pollingEnabled());
        ASSERT_TRUE(waitFor([this] { return !dialog->skin().isRevealing(); }, 3000));
        EXPECT_EQ(poll->pollingEnabled(), polling);
    }
    void closeWith(QAbstractButton* button)
    {
        button->click();
        ASSERT_TRUE(waitFor([this] { return !dialog->isVisible(); }, 5000));
    }
    void closeWithImage()
    {
        QTest::mouseClick(dialog->CloseImage(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([this] { return !dialog->isVisible(); }, 5000));
    }
    static void select(QComboBox* combo, const QString& text)
    {
        const int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->setCurrentIndex(i);
    }
    // A port the list does not offer (another pseudo-terminal, a name of nothing).
    void selectPort(const QString& name)
    {
        dialog->cbCommName()->addItem(name, name);
        dialog->cbCommName()->setCurrentIndex(dialog->cbCommName()->count() - 1);
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<sim::Simulator> other;
    Uperemen settings;
    ChartControls chart;
    std::unique_ptr<SettingsStore> store;
    PosixSerialPort port;
    std::unique_ptr<Link> link;
    FrontPanel face;
    std::unique_ptr<PollCycle> poll;
    std::unique_ptr<SettingsDialogContext> context;
    std::unique_ptr<TFormProperties> dialog;
    int panelOpened = 0;
    int panelClosed = 0;
};

TEST_F(SettingsDialogTest, OpensOnTheCurrentSettings)
{
    start([](IniProfile& ini) {
        ini.writeInteger(k::kPortSection, k::kBaudRate, 19200);
        ini.writeInteger(k::kDeviceSection, k::kAddress, 7);
        ini.writeInteger(k::kPanelSection, k::kShowPanel, 1);
        ini.writeInteger(k::kInputsSection, k::kInputsMask, 0x15);
        ini.writeInteger(k::kInputsSection, k::inputColorKey(2), 255);
        ini.writeInteger(k::kInputsSection, k::kInputsDelay, 42);
    });
    openDialog();
    EXPECT_EQ(dialog->size(), QSize(290, 415));
    EXPECT_EQ(dialog->CloseImage()->accessibleName(), QStringLiteral("Закрыть"));
    EXPECT_EQ(dialog->cbCommName()->currentData().toString(), simPath());
    EXPECT_EQ(dialog->cbBaudRate()->count(), 7);
    EXPECT_EQ(dialog->cbBaudRate()->currentText(), "19200");
    EXPECT_EQ(dialog->cbAdrPribor()->count(), 63);
    EXPECT_EQ(dialog->cbAdrPribor()->currentText(), "7");
    EXPECT_EQ(dialog->cbZaderzhkaSignDInputs()->count(), 101);
    EXPECT_EQ(dialog->cbZaderzhkaSignDInputs()->currentText(), "42");
    EXPECT_TRUE(dialog->CheckBoxPanelInOut()->isChecked());
    const bool mask[] = {true, false, true, false, true};
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(dialog->CheckBoxNumDInputOnGraphic(n)->isChecked(), mask[n - 1]) << n;
    EXPECT_EQ(dialog->paColor(2)->colorValue(), 255u);
    EXPECT_EQ(dialog->paColor(1)->colorValue(), 16711680u);
    EXPECT_EQ(dialog->paColor(3)->color(), QColor(128, 0, 128));
}

// One row per way of leaving with OK. The port is reopened only when its name or baud rate
// changed; the strip follows the panel box after the roll-up; the poll ends as the outcome says.
TEST_F(SettingsDialogTest, OkCases)
{
    struct Case
    {
        const char* name;
        std::function<void(SettingsDialogTest&)> change;
        bool reopened;      // the port was closed and opened again
        QStringList popups; // texts shown
        bool pollingAfter;  // the poll runs once the dialog has gone
        int panelOpened, panelClosed;
    };
    const QString notFound = QStringLiteral("Не могу открыть \"ttyUSB97\",\nтакого порта не "
                                            "существует.\n\nОпрос веса не осуществляется.");
    const Case cases[] = {
        {"nothing changed", {}, false, {}, true, 0, 0},
        {"only the address",
         [](auto& t) { select(t.dialog->cbAdrPribor(), "5"); },
         false,
         {},
         true,
         0,
         0},
        {"only the panel flag, on",
         [](auto& t) { t.dialog->CheckBoxPanelInOut()->click(); },
         false,
         {},
         true,
         1,
         0},
        {"the baud rate",
         [](auto& t) { select(t.dialog->cbBaudRate(), "19200"); },
         true,
         {},
         true,
         0,
         0},
        {"the port", [](auto& t) { t.selectPort(t.otherPath()); }, true, {}, true, 0, 0},
        {"the port, to a silent indicator",
         [](auto& t) {
             sim::SimFaults silent;
             silent.silent = true;
             t.other->setFaults(silent);
             t.selectPort(t.otherPath());
         },
         true,
         {TFormMessage::defaultText()},
         true,
         0,
         0},
        {"the port, to one that does not exist",
         [](auto& t) { t.selectPort("ttyUSB97"); },
         true,
         {notFound},
         false,
         0,
         0},
        {"no port",
         [](auto& t) { t.dialog->cbCommName()->setCurrentIndex(-1); },
         true,
         {QStringLiteral("COM-порт не задан.")},
         false,
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        openDialog();
        const int fd = port.fd();
        if (c.change)
            c.change(*this);
        const DialogSelections chosen = dialog->selections();
        sim->clearRequests();
        other->clearRequests();
        PopupDismisser popups;
        closeWith(dialog->BitBtnOK());

        EXPECT_EQ(popups.texts, c.popups);
        EXPECT_EQ(poll->pollingEnabled(), c.pollingAfter);
        EXPECT_EQ(panelOpened, c.panelOpened);
        EXPECT_EQ(panelClosed, c.panelClosed);
        EXPECT_TRUE(face.laKorvelVersiya()->text().isEmpty()) << "read again after OK";

        // Saved: baud rate, address and delay always; the port and the flag as chosen.
        const IniProfile ini = file();
        EXPECT_EQ(ini.readString(k::kPortSection, k::kPortName, "?"), chosen.CommName);
        EXPECT_EQ(ini.readInteger(k::kPortSection, k::kBaudRate, 0), chosen.BaudRate);
        EXPECT_EQ(ini.readInteger(k::kDeviceSection, k::kAddress, 0), chosen.AdrPribor);
        EXPECT_EQ(ini.readInteger(k::kInputsSection, k::kInputsDelay, -1), 0);
        EXPECT_EQ(ini.contains(k::kPanelSection, k::kShowPanel), c.panelOpened > 0);
        EXPECT_FALSE(ini.contains(k::kInputsSection, k::kInputsMask));
        EXPECT_EQ(settings.CommName, chosen.CommName);
        EXPECT_EQ(settings.AdrPribor, chosen.AdrPribor);

        const bool unlockedOnSim = writesOf(*sim, REG_COMMAND, CMD_KEYBOARD_UNLOCK) > 0;
        const bool unlockedOnOther = writesOf(*other, REG_COMMAND, CMD_KEYBOARD_UNLOCK) > 0;
        if (!c.reopened) {
            EXPECT_EQ(port.fd(), fd) << "the port was not touched";
            EXPECT_FALSE(unlockedOnSim);
        } else if (chosen.CommName == simPath()) {
            EXPECT_TRUE(unlockedOnSim);
        } else if (chosen.CommName == otherPath()) {
            EXPECT_TRUE(unlockedOnOther);
            EXPECT_EQ(port.state(), PortState::Open);
        } else {
            EXPECT_NE(port.state(), PortState::Open);
            EXPECT_EQ(face.row2Digit(9)->caption(), QStringLiteral("н")) << "port state shown";
        }
        // The poll goes on with the new address.
        if (c.pollingAfter && chosen.AdrPribor != 1) {
            EXPECT_TRUE(waitFor([&] { return readsAt(*sim, chosen.AdrPribor); }, 3000));
        }

        dialog.reset();
        poll.reset();
        port.close();
        settings = Uperemen{};
        panelOpened = panelClosed = 0;
        other->setFaults({});
    }
}

// The outputs are handed back (on the connection still in use) before OK changes what the
// link talks to; when that fails nothing is saved or applied and the dialog stays open.
TEST_F(SettingsDialogTest, OutputsGoBackBeforeTheLinkSettingsChange)
{
    struct Case
    {
        const char* name;
        std::function<void(SettingsDialogTest&)> change;
        bool handedBack;
        bool linkChanges = true;
        bool panelBefore = false;
    };
    const Case cases[] = {
        {"the address", [](auto& t) { select(t.dialog->cbAdrPribor(), "5"); }, true},
        {"the baud rate", [](auto& t) { select(t.dialog->cbBaudRate(), "19200"); }, true},
        {"the port", [](auto& t) { t.selectPort(t.otherPath()); }, true},
        {"only the delay", [](auto& t) { select(t.dialog->cbZaderzhkaSignDInputs(), "7"); }, false},
        {"the panel switched on", [](auto& t) { t.dialog->CheckBoxPanelInOut()->click(); }, false},
        // The strip would go while the PC may still hold the outputs: they go back first.
        {"the panel switched off", [](auto& t) { t.dialog->CheckBoxPanelInOut()->click(); }, true,
         false, true},
    };
    start();
    for (const Case& c : cases) {
        for (bool releases : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.name << (releases ? "" : ", release fails"));
            // The simulator's port at address 1, whatever the case before changed.
            settings.CommName = simPath();
            settings.BaudRate = 9600;
            settings.AdrPribor = 1;
            settings.ShowPanelInOut = c.panelBefore;
            if (port.state() != PortState::Open)
                ASSERT_EQ(port.open(simPath().toStdString(), 9600, 50).status, PortOpenStatus::Ok);
            const Uperemen before = settings;
            const QByteArray fileBefore = fileBytes();
            int calls = 0;
            context->handOutputsBack = [&](bool linkChanges) {
                ++calls;
                EXPECT_EQ(linkChanges, c.linkChanges);
                // Still the old connection: nothing saved or reopened yet.
                EXPECT_EQ(settings.AdrPribor, before.AdrPribor);
                EXPECT_EQ(settings.CommName, before.CommName);
                EXPECT_EQ(port.state(), PortState::Open);
                return releases;
            };
            openDialog();
            c.change(*this);
            dialog->BitBtnOK()->click();
            EXPECT_EQ(calls, c.handedBack ? 1 : 0);
            if (!c.handedBack || releases) {
                ASSERT_TRUE(waitFor([this] { return !dialog->isVisible(); }, 5000));
                continue;
            }
            // Refused: everything as it was, the dialog still open for another try or the
            // close button.
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_FALSE(dialog->skin().isClosing());
            EXPECT_FALSE(dialog->OkPressed());
            EXPECT_EQ(settings.AdrPribor, before.AdrPribor);
            EXPECT_EQ(settings.BaudRate, before.BaudRate);
            EXPECT_EQ(settings.CommName, before.CommName);
            EXPECT_EQ(settings.ShowPanelInOut, before.ShowPanelInOut);
            EXPECT_EQ(fileBytes(), fileBefore);
            EXPECT_TRUE(poll->pollingEnabled());
            closeWithImage();
            EXPECT_EQ(fileBytes(), fileBefore);
        }
    }
}

// OK while the adapter is pulled out. The same port with a new baud rate: the reopen says the
// port is not there, but the poll goes on, as it reopens a lost port by itself once it is
// back. Another port, or none: the loss was the old port's, so polling goes off and the port
// state shows (the new port tried quietly until it opens).
TEST_F(SettingsDialogTest, APulledOutAdapterIsLeftToThePollAfterOk)
{
    struct Case
    {
        const char* name;
        std::function<void(SettingsDialogTest&)> change;
        QString popup; // what the reopen says
        bool ticking;  // the poll's ticks run (нет связи until the adapter is back)
        bool waiting;  // no ticks; the port state shows and the port is tried quietly
    };
    const auto notFound = [](const QString& name) {
        return QStringLiteral("Не могу открыть \"") + name +
               QStringLiteral("\",\nтакого порта не существует.\n\nОпрос веса не осуществляется.");
    };
    const Case cases[] = {
        {"the same port, another baud rate",
         [](auto& t) { select(t.dialog->cbBaudRate(), "19200"); },
         {},
         true,
         false},
        {"another port that does not open",
         [](auto& t) { t.selectPort("ttyUSB97"); },
         notFound("ttyUSB97"),
         false,
         true},
        {"no port",
         [](auto& t) { t.dialog->cbCommName()->setCurrentIndex(-1); },
         QStringLiteral("COM-порт не задан."),
         false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        openDialog();
        const QString path = simPath();
        ASSERT_TRUE(sim->unplug());
        port.purgeRx(); // the poll would have noticed before the dialog opened
        ASSERT_TRUE(port.deviceLost());
        c.change(*this);
        PopupDismisser popups;
        closeWith(dialog->BitBtnOK());
        EXPECT_EQ(popups.texts, QStringList{c.popup.isEmpty() ? notFound(path) : c.popup});
        EXPECT_EQ(poll->pollingEnabled(), c.ticking);
        EXPECT_EQ(poll->waitingForPort(), c.waiting);
        QTest::qWait(400); // a tick, had one been left running
        const bool portState = face.row2Digit(6)->caption() == QStringLiteral("о");
        EXPECT_EQ(portState, !c.ticking) << "the port state on the display";

        dialog.reset();
        poll.reset();
        port.close();
        settings = Uperemen{};
        ASSERT_TRUE(sim->replug());
    }
}

// "Настройки" opened in the half second of the main window's reveal saves a poll that has not
// started; the reveal's end connects meanwhile. The poll must run after the dialog, whichever
// way it closes and whether the connection came before or after the dialog had unrolled.
TEST_F(SettingsDialogTest, OpenedDuringTheRevealLeavesThePollRunning)
{
    struct Case
    {
        const char* name;
        bool connectWhileUnrolling;
        bool ok; // else the close button
    };
    const Case cases[] = {
        {"connected after the unroll, OK", false, true},
        {"connected after the unroll, close button", false, false},
        {"connected while unrolling, OK", true, true},
        {"connected while unrolling, close button", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        // As before the reveal's end: no port, no poll.
        poll->disablePolling();
        port.close();
        poll->PollWasEnabled = 0;
        poll->hooks.openPort = [this] {
            return port.open(settings.CommName.toStdString(), settings.BaudRate, 50).status ==
                   PortOpenStatus::Ok;
        };
        poll->suspendPolling();
        dialog = std::make_unique<TFormProperties>(*context);
        dialog->show();
        if (c.connectWhileUnrolling) {
            ASSERT_TRUE(poll->ConnectIndicator());
        }
        ASSERT_TRUE(waitFor([this] { return !dialog->skin().isRevealing(); }, 3000));
        if (!c.connectWhileUnrolling) {
            ASSERT_TRUE(poll->ConnectIndicator());
        }
        EXPECT_TRUE(poll->pollingEnabled()) << "while the user edits";

        if (c.ok)
            closeWith(dialog->BitBtnOK());
        else
            closeWithImage();
        EXPECT_TRUE(poll->pollingEnabled());
        sim->clearRequests();
        EXPECT_TRUE(waitFor([this] { return readsAt(*sim, 1); }, 3000)) << "the display lives";

        dialog.reset();
        poll.reset();
        port.close();
        settings = Uperemen{};
    }
}

TEST_F(SettingsDialogTest, PanelSwitchedOffClosesTheStripAfterTheRollUp)
{
    start([](IniProfile& ini) { ini.writeInteger(k::kPanelSection, k::kShowPanel, 1); });
    openDialog();
    dialog->CheckBoxPanelInOut()->click();
    dialog->BitBtnOK()->click();
    EXPECT_EQ(panelClosed, 0) << "not before the roll-up";
    ASSERT_TRUE(waitFor([this] { return !dialog->isVisible(); }, 5000));
    EXPECT_EQ(panelClosed, 1);
    EXPECT_EQ(panelOpened, 0);
    EXPECT_FALSE(settings.ShowPanelInOut);
    EXPECT_EQ(file().readInteger(k::kPanelSection, k::kShowPanel, -1), 0);
}

TEST_F(SettingsDialogTest, CloseButtonSavesNothing)
{
    start();
    const QByteArray before = fileBytes();
    openDialog();
    dialog->chooseColor = [](const QColor&, QWidget*) { return QColor(Qt::red); };
    dialog->paColor(4)->click();
    EXPECT_EQ(dialog->paColor(4)->color(), QColor(Qt::red));
    select(dialog->cbAdrPribor(), "9");
    dialog->CheckBoxPanelInOut()->click();
    sim->clearRequests();

    closeWithImage();
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(settings.AdrPribor, 1);
    EXPECT_EQ(settings.DInputColor[3], 65280u);
    EXPECT_EQ(panelOpened + panelClosed, 0);
    EXPECT_TRUE(poll->pollingEnabled());
    EXPECT_EQ(writesOf(*sim, REG_COMMAND, CMD_KEYBOARD_UNLOCK), 0);
}

TEST_F(SettingsDialogTest, ColoursMaskAndDelayAreSavedAndRecolourTheTraces)
{
    start();
    openDialog();
    dialog->chooseColor = [](const QColor& initial, QWidget*) -> std::optional<QColor> {
        EXPECT_EQ(initial, QColor(0, 128, 0)) << "opens on the sample's colour";
        return QColor(255, 0, 0);
    };
    dialog->paColor(2)->click();
    dialog->chooseColor = [](const QColor&, QWidget*) { return std::optional<QColor>(); };
    dialog->paColor(5)->click(); // cancelled: unchanged
    dialog->CheckBoxNumDInputOnGraphic(3)->click();
    select(dialog->cbZaderzhkaSignDInputs(), "100");
    closeWith(dialog->BitBtnOK());

    const IniProfile ini = file();
    EXPECT_EQ(ini.readInteger(k::kInputsSection, k::inputColorKey(2), -1), 255);
    EXPECT_FALSE(ini.contains(k::kInputsSection, k::inputColorKey(5)));
    EXPECT_EQ(ini.readInteger(k::kInputsSection, k::kInputsMask, -1), 4);
    EXPECT_EQ(ini.readInteger(k::kInputsSection, k::kInputsDelay, -1), 100);
    EXPECT_EQ(chart.dinputTraceColor[1], 255u);
    EXPECT_EQ(settings.NumDInputOnGraphicMask, 4);
}

// Values the lists do not offer open as empty fields and survive OK unchanged.
TEST_F(SettingsDialogTest, StoredValuesTheListsDoNotOfferAreKept)
{
    start([](IniProfile& ini) {
        ini.writeInteger(k::kPortSection, k::kBaudRate, 14400);
        ini.writeInteger(k::kInputsSection, k::kInputsDelay, 250);
    });
    openDialog();
    EXPECT_EQ(dialog->cbBaudRate()->currentIndex(), -1);
    EXPECT_EQ(dialog->cbZaderzhkaSignDInputs()->currentIndex(), -1);
    const int fd = port.fd();
    closeWith(dialog->BitBtnOK());
    const IniProfile ini = file();
    EXPECT_EQ(ini.readInteger(k::kPortSection, k::kBaudRate, 0), 14400);
    EXPECT_EQ(ini.readInteger(k::kInputsSection, k::kInputsDelay, 0), 250);
    EXPECT_EQ(port.fd(), fd) << "nothing changed, nothing reopened";
}

// An adapter unplugged for now: its port is still offered, marked, and OK for another
// address keeps it instead of storing an empty name.
TEST_F(SettingsDialogTest, MissingConfiguredPortIsOfferedAndKeptByOk)
{
    start([](IniProfile& ini) { ini.writeString(k::kPortSection, k::kPortName, "ttyUSB97"); });
    EXPECT_FALSE(poll->pollingEnabled());
    openDialog();
    EXPECT_EQ(dialog->cbCommName()->currentData().toString(), QStringLiteral("ttyUSB97"));
    EXPECT_EQ(dialog->cbCommName()->currentText(), QStringLiteral("ttyUSB97 (нет в системе)"));
    select(dialog->cbAdrPribor(), "4");
    PopupDismisser popups;
    closeWith(dialog->BitBtnOK());
    EXPECT_EQ(file().readString(k::kPortSection, k::kPortName, "?"), QStringLiteral("ttyUSB97"));
    EXPECT_EQ(settings.CommName, QStringLiteral("ttyUSB97"));
    EXPECT_EQ(file().readInteger(k::kDeviceSection, k::kAddress, 0), 4);
    EXPECT_TRUE(popups.texts.isEmpty()) << "the port was not reopened";
}

TEST_F(SettingsDialogTest, EscapeClosesLikeTheCloseButton)
{
    start();
    const QByteArray before = fileBytes();
    openDialog();
    select(dialog->cbAdrPribor(), "3");
    QTest::keyClick(dialog->ButtonPusto(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible()) << "rolls up first";
    ASSERT_TRUE(waitFor([this] { return !dialog->isVisible(); }, 5000));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(poll->pollingEnabled());
}

} // namespace
} // namespace korvel
