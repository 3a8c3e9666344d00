// Chart mode as the main window composes it, against korvel-sim: the menu item opens it, a
// run keeps the window from closing, "Выход" brings the shaped front panel back, and closing
// from the chart gives the indicator its own filters back.
#include "chart/ChartController.h"
#include "chart/ChartMode.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "chart/PeriodEdit.h"
#include "link/DeviceMap.h"
#include "panel/Keypad.h"
#include "panel/PollCycle.h"
#include "panel/ServiceSequence.h"
#include "settings/IniProfile.h"
#include "settings/SettingsKeys.h"
#include "app/MainWindow.h"
#include "ui/SkinnedWindow.h"
#include "sim/Simulator.h"
#include "support/WaitFor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

namespace k = settings_keys;

class ChartWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim::SimOptions o;
        o.streamPattern = sim::StreamPattern::Counting;
        sim = std::make_unique<sim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->start(&error)) << error;
        IniProfile ini;
        ini.writeString(k::kPortSection, k::kPortName, QString::fromStdString(sim->slavePath()));
        ini.writeInteger(k::kPortSection, k::kReadTimeout, 50);
        // The indicator holds filters 0, 2, 4: only filter 2 differs.
        ini.writeInteger(k::kChartSection, k::kFilter2, 7);
        ini.writeInteger(k::kChartSection, k::kStabBnd, 4);
        ASSERT_TRUE(ini.saveFile(dir.filePath(QStringLiteral("korvel.ini"))));
        w = std::make_unique<TMainFormTestIndKorvel>(dir.filePath(QStringLiteral("korvel.ini")));
        w->show();
        ASSERT_TRUE(test::waitFor([this] { return w->poll().pollingEnabled(); }, 5000));
    }
    void TearDown() override
    {
        w.reset();
        sim->stop();
    }

    ChartController& chart() { return w->chart().controller(); }
    ChartPanel& panel() { return w->chart().panel(); }
    QAction* menuItem(const char* name)
    {
        for (QAction* a : w->MainPopupMenu()->actions())
            if (a->objectName() == QLatin1String(name))
                return a;
        return nullptr;
    }
    // "График" from the face's menu; the entry runs once the menu's loop has ended.
    void enterChart()
    {
        menuItem("NGraphic")->trigger();
        ASSERT_TRUE(test::waitFor([this] { return chart().chartShown(); }, 5000));
    }
    std::vector<std::pair<int, int>> writesSince(std::size_t mark) const
    {
        std::vector<std::pair<int, int>> out;
        const auto all = sim->requests();
        for (std::size_t i = mark; i < all.size(); ++i)
            if ((all[i].bytes[0] & 0xC0) == ACCESS_REG_WRITE)
                out.emplace_back(all[i].bytes[1], all[i].bytes[2]);
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<TMainFormTestIndKorvel> w;
};

TEST_F(ChartWindow, MenuItemRunAndExit)
{
    enterChart();
    ASSERT_EQ(chart().mode(), ChartController::Mode::Idle);
    EXPECT_TRUE(w->chart().PanelGraphic()->isVisible());
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::FramelessWindowHint)) << "framed and sizeable";
    EXPECT_FALSE(w->poll().pollingEnabled());

    // PanelGraphic follows the framed window's size.
    w->resize(900, 600);
    ASSERT_TRUE(test::waitFor([this] { return w->chart().PanelGraphic()->width() == 900; }, 2000));

    panel().BitBtnPuskStop()->click();
    ASSERT_TRUE(chart().running());
    EXPECT_EQ(panel().BitBtnPuskStop()->text(), QStringLiteral("Стоп"));
    EXPECT_FALSE(panel().BitBtnCloseGraphic()->isEnabled());
    EXPECT_FALSE(panel().NLoadDataGraph()->isEnabled()) << "no file load during a run";
    ASSERT_TRUE(
        test::waitFor([this] { return chart().acquisition().weightPoints().size() >= 50; }, 10000));
    w->close();
    EXPECT_TRUE(w->isVisible()) << "no close during a run";

    panel().BitBtnPuskStop()->click();
    EXPECT_EQ(panel().BitBtnPuskStop()->text(), QStringLiteral("Пуск"));
    EXPECT_TRUE(panel().BitBtnCloseGraphic()->isEnabled());

    panel().BitBtnCloseGraphic()->click();
    EXPECT_EQ(chart().mode(), ChartController::Mode::Off);
    EXPECT_FALSE(w->chart().PanelGraphic()->isVisible());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w->size(), QSize(555, 398));
    EXPECT_TRUE(w->poll().pollingEnabled());
}

TEST_F(ChartWindow, PeriodFieldTakesDigitsAndOneSeparator)
{
    enterChart();
    PeriodEdit* edit = panel().edPeriodACP();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1a2,.-5"));
    EXPECT_EQ(edit->text(), QStringLiteral("12") + QLocale().decimalPoint() + QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(w->settings().PeriodACP, 12.5);
    EXPECT_EQ(w->chartControls().periodText(), edit->text()) << "saved at exit as typed";
}

TEST_F(ChartWindow, ServiceCommandsShowTheContinuousReading)
{
    emit w->keypad().serviceCommandsToggled();
    EXPECT_FALSE(panel().btnContiniousReading()->isHidden());
    EXPECT_FALSE(panel().paTime()->isHidden());
    emit w->keypad().serviceCommandsToggled();
    EXPECT_TRUE(panel().btnContiniousReading()->isHidden());
}

TEST_F(ChartWindow, ADismissedChartMenuGivesTheKeyboardBackToTheFocusSink)
{
    enterChart();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(test::waitFor([this] { return w->ButtonPusto()->hasFocus(); }, 5000));
    // A right click on the plot takes the focus; the menu opens there and is dismissed.
    QMenu* popup = panel().GraphPopupMenu();
    panel().Chart1()->setFocus(Qt::MouseFocusReason);
    panel().Chart1()->onPopupRequested(w->mapToGlobal(QPoint(100, 100)));
    ASSERT_TRUE(test::waitFor([popup] { return popup->isVisible(); }, 5000));
    QTest::keyClick(popup, Qt::Key_Escape);
    ASSERT_TRUE(test::waitFor([popup] { return !popup->isVisible(); }, 5000));
    EXPECT_TRUE(test::waitFor([this] { return w->focusWidget() == w->ButtonPusto(); }, 5000))
        << "the service key sequence is typed into the focus sink";
    // The window manager gives the window back its activation; the offscreen platform does not.
    QApplication::setActiveWindow(w.get());
    EXPECT_TRUE(w->ButtonPusto()->hasFocus());
    // Typed there (Ctrl held), the sequence shows the burst.
    ASSERT_TRUE(panel().btnContiniousReading()->isHidden());
    const auto send = [this](char key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(w->ButtonPusto(), &e);
    };
    send(ServiceSequence::CODE[0]);
    for (const char key : ServiceSequence::CODE)
        send(key);
    EXPECT_FALSE(panel().btnContiniousReading()->isHidden());
}

TEST_F(ChartWindow, ClosingFromTheChartRestoresTheIndicatorsFilters)
{
    enterChart();
    panel().CheckBoxFiltersNeVpisyvat()->setChecked(false);
    chart().leave();
    std::size_t mark = sim->requests().size();
    enterChart();
    EXPECT_EQ(writesSince(mark), (std::vector<std::pair<int, int>>{{241, 7}}));
    mark = sim->requests().size();
    w->close();
    ASSERT_TRUE(test::waitFor([this] { return !w->isVisible(); }, 5000));
    EXPECT_EQ(writesSince(mark), (std::vector<std::pair<int, int>>{{241, 2}}));
}

} // namespace
} // namespace korvel
