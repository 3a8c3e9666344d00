// Hints stay up for a minute, program-wide: the filter installed at start-up serves every
// widget's hint without the widget doing anything.
#include "ui/HintHidePause.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <gtest/gtest.h>

#include "support/WaitFor.h"

using namespace korvel;

namespace {

// Asks for the hint the way Qt does when the mouse rests on `under`.
void restMouseOn(QWidget* under)
{
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), under->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(under, &help);
}

class HintHidePauseTest : public testing::Test
{
protected:
    void SetUp() override
    {
        HintHidePause::install();
        window.resize(200, 100);
        hinted->setGeometry(10, 10, 100, 50);
        hinted->setToolTip(QStringLiteral("Отображаемый промежуток времени, с"));
        // The mouse is over a part without a hint of its own (like the edit inside a spin
        // box), so the request reaches the hinted widget as its parent.
        inner->setGeometry(5, 5, 20, 20);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { QToolTip::hideText(); }

    QWidget window;
    QWidget* hinted = new QWidget(&window);
    QWidget* inner = new QWidget(hinted);
};

TEST_F(HintHidePauseTest, AHintOutlastsQtsOwnTenSeconds)
{
    restMouseOn(inner);
    ASSERT_TRUE(QToolTip::isVisible());
    ASSERT_EQ(QToolTip::text(), hinted->toolTip());
    QTest::qWait(10500);
    EXPECT_TRUE(QToolTip::isVisible());
}

TEST_F(HintHidePauseTest, ADurationAWidgetChoseItselfIsKept)
{
    hinted->setToolTipDuration(200);
    restMouseOn(inner);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(test::waitFor([] { return !QToolTip::isVisible(); }, 5000, 20));
}

} // namespace
