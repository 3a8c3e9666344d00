// "Поиск прибора" as part of the program: the menu item, the search over the real port, and
// what choosing a result or cancelling leaves behind.
#include "app/MainWindow.h"
#include "finder/FinderDialog.h"
#include "link/DeviceMap.h"
#include "panel/PollCycle.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsValues.h"
#include "sim/Simulator.h"
#include "support/PopupDismisser.h"
#include "support/WaitFor.h"
#include "ui/SkinnedWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace korvel {
namespace {

namespace k = settings_keys;
using test::waitFor;

// The dialog driven from inside the menu item's modal run: `act` runs on it on every tick
// once it has unrolled, until it returns true.
class FinderDriver : public QObject
{
public:
    explicit FinderDriver(std::function<bool(TFormFindDevice&)> act) : act_(std::move(act))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<TFormFindDevice*>(top);
                    d && d->isVisible() && !d->skin().isRevealing() && !d->skin().isClosing() &&
                    act_(*d))
                    timer_.stop();
        });
        timer_.start(20);
    }

private:
    std::function<bool(TFormFindDevice&)> act_;
    QTimer timer_;
};

class MainWindowFinderTest : public ::testing::Test
{
protected:
    void start(sim::SimOptions o)
    {
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        IniProfile ini;
        ini.writeString(k::kPortSection, k::kPortName, simPath());
        ini.writeInteger(k::kPortSection, k::kBaudRate, 9600);
        ini.writeInteger(k::kDeviceSection, k::kAddress, 1);
        ini.writeInteger(k::kPortSection, k::kReadTimeout, 50);
        ASSERT_TRUE(ini.saveFile(iniPath()));
        w = std::make_unique<TMainFormTestIndKorvel>(iniPath());
        w->show();
        ASSERT_TRUE(waitFor([this] { return !w->skin().isRevealing(); }, 5000));
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("korvel.ini")); }
    QString simPath() const { return QString::fromStdString(sim->slavePath()); }
    QAction* findItem() const
    {
        return w->MainPopupMenu()->findChild<QAction*>(QStringLiteral("NFindDevice"));
    }
    bool displayReadAt(int address) const
    {
        for (const auto& r : sim->requests())
            if (r.bytes.size() == 4 && r.bytes[0] == (ACCESS_REG_READ | address) &&
                r.bytes[1] == REG_DISPLAY)
                return true;
        return false;
    }
    int writes() const
    {
        int n = 0;
        for (const auto& r : sim->requests())
            n += (r.bytes[0] & ACCESS_REG_READ) == 0;
        return n;
    }

    QTemporaryDir dir;
    // An indicator at an unknown speed fails the first connect with a popup, as it should.
    test::PopupDismisser popups;
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<TMainFormTestIndKorvel> w;
};

TEST_F(MainWindowFinderTest, TheItemFollowsSettingsInTheMenu)
{
    start({});
    const QList<QAction*> actions = w->MainPopupMenu()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Настройки"));
    EXPECT_EQ(actions[1], findItem());
    EXPECT_EQ(findItem()->text(), QStringLiteral("Поиск прибора"));
    EXPECT_TRUE(findItem()->isVisible());
}

TEST_F(MainWindowFinderTest, ChoosingAResultStoresTheThreeKeysAndPollsTheNewAddress)
{
    sim::SimOptions o;
    o.address = 9;
    o.baud = 19200;
    o.strictBaud = true;
    start(o);
    int writesDuringSearch = -1;
    enum { Idle, Searching, Done } stage = Idle;
    FinderDriver driver([&](TFormFindDevice& d) {
        switch (stage) {
        case Idle:
            EXPECT_EQ(d.chosenPorts(), QStringList{simPath()}) << "the configured port is ticked";
            sim->clearRequests();
            d.btnIskat()->click();
            EXPECT_TRUE(d.searching());
            stage = Searching;
            return false;
        case Searching:
            if (d.searching())
                return false;
            writesDuringSearch = writes();
            stage = Done;
            if (d.lbFound()->count() != 1) {
                ADD_FAILURE() << "found " << d.lbFound()->count();
                d.close();
                return true;
            }
            EXPECT_TRUE(d.lbFound()->item(0)->text().contains(QStringLiteral("адрес 9")));
            d.lbFound()->setCurrentRow(0);
            d.btnPodklyuchit()->click();
            return true;
        case Done:
            return true;
        }
        return true;
    });
    findItem()->trigger(); // returns once the dialog has closed

    EXPECT_EQ(writesDuringSearch, 0) << "the search only reads";
    IniProfile ini;
    ASSERT_EQ(ini.loadFile(iniPath()), IniProfile::LoadStatus::Loaded);
    EXPECT_EQ(ini.readString(k::kPortSection, k::kPortName, QString()), simPath());
    EXPECT_EQ(ini.readInteger(k::kPortSection, k::kBaudRate, 0), 19200);
    EXPECT_EQ(ini.readInteger(k::kDeviceSection, k::kAddress, 0), 9);
    EXPECT_EQ(w->settings().BaudRate, 19200);
    EXPECT_EQ(w->settings().AdrPribor, 9);
    sim->clearRequests();
    EXPECT_TRUE(waitFor([this] { return displayReadAt(9); }, 3000)) << "polled at the new address";
    EXPECT_TRUE(w->poll().pollingEnabled());
}

TEST_F(MainWindowFinderTest, CancelMidSearchRestoresPollingAtTheOldSettings)
{
    start({});
    const QByteArray before = [this] {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    bool pollingAfterCancel = false;
    enum { Idle, Searching, Cancelled } stage = Idle;
    FinderDriver driver([&](TFormFindDevice& d) {
        switch (stage) {
        case Idle:
            d.btnIskat()->click();
            stage = Searching;
            return false;
        case Searching:
            if (d.pbSearch()->value() < 5)
                return false;
            EXPECT_FALSE(w->poll().pollingEnabled()) << "the search owns the link";
            d.btnOtmena()->click();
            EXPECT_FALSE(d.searching());
            pollingAfterCancel = w->poll().pollingEnabled();
            sim->clearRequests();
            stage = Cancelled;
            return false;
        case Cancelled:
            if (!displayReadAt(1))
                return false;
            d.btnOtmena()->click(); // idle: closes the dialog
            return true;
        }
        return true;
    });
    findItem()->trigger();

    EXPECT_TRUE(pollingAfterCancel);
    EXPECT_TRUE(popups.texts.isEmpty()) << popups.texts.join(' ').toStdString();
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before) << "nothing stored without a choice";
    EXPECT_EQ(w->settings().AdrPribor, 1);
    EXPECT_EQ(w->settings().BaudRate, 9600);
    EXPECT_TRUE(w->poll().pollingEnabled());
}

} // namespace
} // namespace korvel
