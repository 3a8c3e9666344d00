// The plot widget: where input traces are drawn, how repaints are coalesced, and the right
// mouse button (drag to scroll, click for the popup menu).
#include "chart/ChartPlot.h"
#include "chart/core/InputTraces.h"
#include "support/WaitFor.h"

#include <QTest>
#include <gtest/gtest.h>

namespace korvel {
namespace {

class Plot : public ::testing::Test
{
protected:
    Plot()
    {
        plot.resize(500, 400);
        plot.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&plot));
    }
    double tracePixel(int input, int index) const
    {
        const auto it = plot.GraphicDInput(input)->data()->at(index);
        return plot.yAxis2->coordToPixel(it->value);
    }

    ChartPlot plot;
};

TEST_F(Plot, InputTracesSitAtTheLevelsOfTheWeightAxisInForce)
{
    plot.setKeyRange(0, 10);
    plot.addWeightPoint(0, 0);
    plot.addInputPoint(1, 0, true);
    plot.addInputPoint(5, 0, false);
    plot.setValueRange(0, 100);
    plot.repaintNow();
    EXPECT_NEAR(tracePixel(1, 0), plot.yAxis->coordToPixel(InputLevelsOf(1, 0, 100).high), 0.01);
    EXPECT_NEAR(tracePixel(5, 0), plot.yAxis->coordToPixel(6.5), 0.01);

    // The axis changes: the same points are at the new levels without being touched.
    plot.setValueRange(-20, -10);
    plot.repaintNow();
    EXPECT_NEAR(tracePixel(1, 0), plot.yAxis->coordToPixel(InputLevelsOf(1, -20, -10).high), 0.01);
    EXPECT_NEAR(tracePixel(5, 0), plot.yAxis->coordToPixel(InputLevelsOf(5, -20, -10).low), 0.01);

    // A flat weight: every level is that one value.
    plot.setValueRange(3, 3);
    plot.repaintNow();
    EXPECT_NEAR(tracePixel(1, 0), plot.yAxis->coordToPixel(3), 0.5);
    EXPECT_NEAR(tracePixel(5, 0), plot.yAxis->coordToPixel(3), 0.5);
}

TEST_F(Plot, ManySamplesMakeOneRepaint)
{
    plot.repaintNow();
    const long before = plot.repaints();
    for (int i = 0; i < 2000; ++i) {
        plot.addWeightPoint(i, i % 7);
        plot.setValueRange(-1, 8);
    }
    EXPECT_EQ(plot.repaints(), before) << "nothing drawn per sample";
    ASSERT_TRUE(test::waitFor([&] { return plot.repaints() > before; }, 2000));
    QTest::qWait(4 * ChartPlot::kRepaintIntervalMs);
    EXPECT_EQ(plot.repaints(), before + 1);
}

TEST_F(Plot, TheViewFollowsThePointsOrStandsAtItsLimits)
{
    plot.setKeyRange(0, 100);
    for (int i = 0; i < 150; ++i)
        plot.addWeightPoint(i, 0);
    plot.dropBefore(30);
    plot.repaintNow();
    EXPECT_EQ(plot.xAxis->range(), QCPRange(0, 100));
    EXPECT_EQ(plot.GraphicWeight()->dataCount(), 120);
    plot.setKeyAutomatic(true);
    plot.repaintNow();
    EXPECT_EQ(plot.xAxis->range(), QCPRange(30, 149));
}

// A long run trims the front of every series after each sample. The room the series hold must
// stop growing once the window has filled and stay near the window, or a day-long run grows.
TEST_F(Plot, ALongRunKeepsTheRoomOfItsSeriesNearItsWindow)
{
    constexpr int kWindow = 1000;
    plot.setKeyRange(0, kWindow);
    int x = 0;
    auto run = [&](int samples) {
        for (int i = 0; i < samples; ++i, ++x) {
            plot.addWeightPoint(x, x % 7);
            for (int k = 1; k <= kInputCount; ++k)
                plot.addInputPoint(k, x, (x >> k) & 1);
            if (x >= kWindow)
                plot.dropBefore(x - kWindow + 1);
        }
    };
    run(2 * kWindow);
    const qsizetype filled = plot.roomForPoints();
    run(200 * kWindow);
    EXPECT_EQ(plot.GraphicWeight()->dataCount(), kWindow);
    EXPECT_EQ(plot.GraphicDInput(5)->dataCount(), kWindow);
    EXPECT_EQ(plot.roomForPoints(), filled) << "the room grew after the window had filled";
    // Six series; a vector grows by doubling, so up to about twice the window each.
    EXPECT_LE(plot.roomForPoints(), 6 * 5 * kWindow / 2);
    // The kept points are still the window's, in order.
    EXPECT_EQ(plot.GraphicWeight()->data()->constBegin()->key, x - kWindow);
    EXPECT_EQ((plot.GraphicWeight()->data()->constEnd() - 1)->key, x - 1);
}

TEST_F(Plot, RightClickAsksForThePopupAndRightDragScrolls)
{
    int popups = 0;
    plot.onPopupRequested = [&](QPoint) { ++popups; };
    plot.setKeyRange(0, 100);
    plot.setValueRange(0, 10);
    plot.repaintNow();
    const QPoint centre = plot.axisRect()->rect().center();

    QTest::mouseClick(&plot, Qt::RightButton, {}, centre);
    EXPECT_EQ(popups, 1);

    QTest::mousePress(&plot, Qt::RightButton, {}, centre);
    QMouseEvent move(QEvent::MouseMove, QPointF(centre + QPoint(-100, 0)),
                     plot.mapToGlobal(QPointF(centre + QPoint(-100, 0))), Qt::NoButton,
                     Qt::RightButton, {});
    QApplication::sendEvent(&plot, &move);
    QTest::mouseRelease(&plot, Qt::RightButton, {}, centre + QPoint(-100, 0));
    EXPECT_EQ(popups, 1) << "a drag pops up nothing";
    EXPECT_GT(plot.xAxis->range().lower, 0) << "dragged to the left shows later samples";
}

} // namespace
} // namespace korvel
