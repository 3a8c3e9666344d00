// The start and end of a transfer around the dialog: the poll, the main window and the port are
// taken over and handed back, in the controller alone and wired into the main window.
#include "memory/MemoryTransfer.h"
#include "dio/IoPanelController.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "memory/TransferDialog.h"
#include "panel/PanelView.h"
#include "panel/PollCycle.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsValues.h"
#include "app/MainWindow.h"
#include "ui/SkinnedWindow.h"
#include "sim/Simulator.h"

#include "support/VirtualClock.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

// The front panel as far as the transfer uses it: it only notes the port-not-open display.
struct RecordingView : PanelView
{
    void ShowDisplay(const std::uint8_t*) override {}
    void ShowNoLink() override {}
    void ShowPortNotOpen(const QString& name) override { portNotOpen << name; }
    void SetFace(Face) override {}
    bool lampVisible(Lamp) const override { return false; }
    void setLampVisible(Lamp, bool) override {}
    QString versionText() const override { return {}; }
    void setVersionText(const QString&) override {}
    QStringList portNotOpen;
};

class MemoryTransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim::SimOptions options;
        options.linkPath = dir.filePath(QStringLiteral("sim.tty")).toStdString();
        sim = std::make_unique<sim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        // The link stays the port's name when the simulated adapter is pulled and replugged.
        settings.CommName = QString::fromStdString(options.linkPath);
        link = std::make_unique<Link>(port, clock, settings);
        poll = std::make_unique<PollCycle>(*link, settings, panel);
        transfer = std::make_unique<MemoryTransfer>(*link, settings, *poll, panel);
        transfer->setMainWindow(&mainWindow);
        transfer->backupFolder = dir.filePath(QStringLiteral("backup"));
        transfer->chooseFile = [this](ImageFileDialog& d) {
            ++fileDialogs;
            d.FileName = dir.filePath(QStringLiteral("image.EEPROM"));
            return chooseOk;
        };
        transfer->openPort = [this](int timeoutMs) {
            opens.push_back(timeoutMs);
            if (failOpenAt == static_cast<int>(opens.size()))
                return false;
            return port.open(settings.CommName.toStdString(), 9600, timeoutMs).status ==
                   PortOpenStatus::Ok;
        };
        ASSERT_EQ(
            port.open(settings.CommName.toStdString(), 9600, settings.ReadTotalTimeoutConstant)
                .status,
            PortOpenStatus::Ok);
    }

    bool waitUntilIdle()
    {
        return test::waitFor([this] { return !transfer->transferActive(); }, 30000);
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    PosixSerialPort port;
    test::VirtualClock clock;
    Uperemen settings;
    RecordingView panel;
    QWidget mainWindow;
    std::unique_ptr<Link> link;
    std::unique_ptr<PollCycle> poll;
    std::unique_ptr<MemoryTransfer> transfer;
    int fileDialogs = 0;
    bool chooseOk = true;
    std::vector<int> opens;
    int failOpenAt = 0; // the n-th open fails (1-based); 0: none
};

TEST_F(MemoryTransferTest, TheTransferHoldsTheLinkAndHandsItBack)
{
    for (bool polling : {true, false}) {
        SCOPED_TRACE(polling ? "polling before" : "no polling before");
        opens.clear();
        fileDialogs = 0;
        polling ? poll->enablePolling() : poll->disablePolling();
        QSignalSpy active(transfer.get(), &MemoryTransfer::transferActiveChanged);

        transfer->NReadEEPROMClick();
        EXPECT_EQ(transfer->MemoryTransferMode, TransferMode::Reading);
        EXPECT_EQ(transfer->MemoryAreaName, "EEPROM");
        EXPECT_FALSE(mainWindow.isEnabled());
        EXPECT_FALSE(poll->pollingEnabled());
        EXPECT_EQ(poll->PollWasEnabled, polling ? 1 : 0);
        EXPECT_EQ(opens, std::vector<int>{2000});
        ASSERT_NE(transfer->dialog(), nullptr);
        EXPECT_TRUE(transfer->dialog()->isEnabled());

        transfer->NWriteFMClick(); // while one runs, a command does nothing
        EXPECT_EQ(fileDialogs, 1);
        EXPECT_EQ(transfer->MemoryTransferMode, TransferMode::Reading);

        ASSERT_TRUE(waitUntilIdle());
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_EQ(poll->pollingEnabled(), polling);
        EXPECT_EQ(opens, (std::vector<int>{2000, settings.ReadTotalTimeoutConstant}));
        EXPECT_EQ(port.state(), PortState::Open);
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("image.EEPROM"))));
        ASSERT_EQ(active.size(), 2);
        EXPECT_EQ(active[0][0].toBool(), true);
        EXPECT_EQ(active[1][0].toBool(), false);
    }
    poll->disablePolling();
}

TEST_F(MemoryTransferTest, ACancelledFileDialogChangesNothing)
{
    chooseOk = false;
    poll->enablePolling();
    QSignalSpy active(transfer.get(), &MemoryTransfer::transferActiveChanged);
    transfer->NWriteEEPROMClick();
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_TRUE(poll->pollingEnabled());
    EXPECT_FALSE(transfer->transferActive());
    EXPECT_TRUE(opens.empty());
    EXPECT_EQ(active.size(), 0);
    poll->disablePolling();
}

TEST_F(MemoryTransferTest, APortThatWillNotReopenShowsSoAndLeavesThePollOff)
{
    for (int failing : {1, 2}) {
        SCOPED_TRACE(failing == 1 ? "at the start" : "at the end");
        opens.clear();
        failOpenAt = failing;
        panel.portNotOpen.clear();
        poll->enablePolling();
        QSignalSpy active(transfer.get(), &MemoryTransfer::transferActiveChanged);

        transfer->NReadEEPROMClick();
        if (failing == 1) {
            EXPECT_EQ(transfer->dialog(), nullptr);
        }
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(opens.size(), static_cast<std::size_t>(failing));
        EXPECT_FALSE(poll->pollingEnabled());
        EXPECT_TRUE(poll->waitingForPort()) << "the poll that ran tries the port quietly";
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_EQ(panel.portNotOpen, QStringList{settings.CommName});
        EXPECT_EQ(active.size(), 2);

        // The commands work again.
        const int dialogsBefore = fileDialogs;
        chooseOk = false;
        transfer->NReadFMClick();
        EXPECT_EQ(fileDialogs, dialogsBefore + 1);
        chooseOk = true;
        port.open(sim->slavePath(), 9600, settings.ReadTotalTimeoutConstant);
    }
}

// The port would not reopen after the transfer: the I/O strip the transfer closed comes back
// once the poll has the port open again, not on the shut port, and only that once.
TEST_F(MemoryTransferTest, TheStripClosedForATransferComesBackWithThePort)
{
    int closed = 0, opened = 0;
    transfer->closeIoPanel = [&] { ++closed; };
    transfer->openIoPanelIfWanted = [&] { ++opened; };
    poll->hooks.reopened = [this] { transfer->portReopened(); };
    failOpenAt = 2;
    poll->enablePolling();

    transfer->NReadEEPROMClick();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 0) << "opened on a shut port";
    ASSERT_TRUE(poll->waitingForPort());
    ASSERT_TRUE(test::waitFor([this] { return port.state() == PortState::Open; }, 10000))
        << "the poll did not reopen the port";
    EXPECT_EQ(opened, 1);

    // A later loss of the port owes no strip.
    ASSERT_TRUE(sim->unplug());
    poll->TimerOprosaPriboraTimer();
    ASSERT_TRUE(sim->replug());
    poll->TimerOprosaPriboraTimer();
    EXPECT_EQ(port.state(), PortState::Open);
    EXPECT_EQ(opened, 1);
    poll->disablePolling();
}

// A pulled-out adapter, before a command or during its transfer: the transfer says what
// failed (once), but no port message follows and the poll goes on, so that it reopens the
// port by itself once the adapter is back.
TEST_F(MemoryTransferTest, APulledOutAdapterIsLeftToThePoll)
{
    for (bool duringTransfer : {false, true}) {
        SCOPED_TRACE(duringTransfer ? "during the transfer" : "before the command");
        opens.clear();
        panel.portNotOpen.clear();
        poll->enablePolling();
        QStringList messages;
        if (!duringTransfer) {
            ASSERT_TRUE(sim->unplug());
            poll->TimerOprosaPriboraTimer(); // the poll notices
            ASSERT_TRUE(port.deviceLost());
        }
        transfer->NReadFMClick();
        if (duringTransfer) {
            ASSERT_NE(transfer->dialog(), nullptr);
            transfer->dialog()->showMessage = [&](const PopupMessage& m) { messages << m.text; };
            ASSERT_TRUE(sim->unplug()); // before the reveal ends and the first page is asked for
        }
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(messages.size(), duringTransfer ? 1 : 0);
        EXPECT_EQ(opens, std::vector<int>{2000}) << "no reopen at the end";
        EXPECT_TRUE(poll->pollingEnabled());
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_TRUE(port.deviceLost());

        ASSERT_TRUE(sim->replug());
        poll->TimerOprosaPriboraTimer();
        EXPECT_EQ(port.state(), PortState::Open);
        EXPECT_FALSE(port.deviceLost());
        EXPECT_EQ(port.readTimeoutMs(), settings.ReadTotalTimeoutConstant);
    }
    poll->disablePolling();
}

TEST(TransferDialogLayout, AReadHasNoByteBarAndAShorterWindow)
{
    PosixSerialPort port;
    test::VirtualClock clock;
    LinkSettings settings;
    Link link(port, clock, settings);
    QString name;
    struct Case
    {
        TransferMode mode;
        int height, cancelTop;
        bool subBar;
    };
    for (const Case& c : {Case{TransferMode::Reading, 153, 106, false},
                          Case{TransferMode::Writing, 173, 126, true}}) {
        TransferJob job;
        job.mode = c.mode;
        job.fileName = &name;
        auto* d = new TFormReadWriteEEPROM(link, job);
        EXPECT_EQ(d->size(), QSize(334, c.height));
        EXPECT_EQ(d->btnCancel()->geometry(), QRect(131, c.cancelTop, 75, 25));
        EXPECT_EQ(d->btnCancel()->text(), "Отменить");
        EXPECT_EQ(d->WriteSubProgressBar()->isVisibleTo(d), c.subBar);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(d->skin()->isRevealing()) << "the reveal runs from creation";

        // Enter and Space reach the hidden focus sink, not Cancel.
        d->show();
        EXPECT_TRUE(test::waitFor([d] { return d->ButtonPusto()->hasFocus(); }, 2000));
        QTest::keyClick(d->ButtonPusto(), Qt::Key_Space);
        QTest::keyClick(d->ButtonPusto(), Qt::Key_Return);
        EXPECT_FALSE(d->CancelRequested());
        EXPECT_FALSE(d->TimerBeginReadWrite()->isActive()) << "the transfer waits for the reveal";
        d->skin()->revealTimer()->stop();
        delete d;
    }
}

TEST(MemoryCommandsInTheMainWindow, RunAndRefuseToCloseTheWindowMeanwhile)
{
    QTemporaryDir dir;
    sim::Simulator sim{sim::SimOptions{}};
    ASSERT_TRUE(sim.start());
    const QString ini = dir.filePath(QStringLiteral("korvel.ini"));
    IniProfile profile;
    profile.writeString(settings_keys::kPortSection, settings_keys::kPortName,
                        QString::fromStdString(sim.slavePath()));
    ASSERT_TRUE(profile.saveFile(ini));
    TMainFormTestIndKorvel w(ini);
    w.show();
    ASSERT_TRUE(test::waitFor([&] { return w.poll().pollingEnabled(); }, 10000));

    const QString target = dir.filePath(QStringLiteral("read.EEPROM"));
    w.memory().chooseFile = [&](ImageFileDialog& d) {
        d.FileName = target;
        return true;
    };
    QAction* read = w.MainPopupMenu()->findChild<QAction*>(QStringLiteral("NReadEEPROM"));
    ASSERT_NE(read, nullptr);
    read->trigger();
    ASSERT_TRUE(test::waitFor([&] { return w.memory().transferActive(); }, 2000));
    EXPECT_FALSE(w.isEnabled());
    EXPECT_TRUE(w.ioPanel().control.locked()) << "the I/O strip stays off the link";
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());

    ASSERT_TRUE(test::waitFor([&] { return !w.memory().transferActive(); }, 30000));
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(w.isEnabled());
    EXPECT_FALSE(w.ioPanel().control.locked());
    EXPECT_TRUE(w.poll().pollingEnabled());
}

} // namespace
} // namespace korvel
