// The chart's traces draw steep pieces as pixel runs of their own: the picture must stay the one
// QCustomPlot's own line drawing gives, for the shapes a chart shows.
#include "chart/TraceGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace korvel {
namespace {

struct Shape
{
    const char* name;
    int points;
    std::function<double(int)> value;
};

// The same points through QCustomPlot's graph and through TraceGraph, on a plot of the chart's
// settings: the pixels that differ between the two pictures, and those the trace covers.
struct Difference
{
    int differing = 0;
    int covered = 0;
};

QImage picture(bool ownRuns, const Shape& shape, QSize size)
{
    QCustomPlot plot;
    plot.resize(size);
    plot.setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    plot.setNotAntialiasedElements(QCP::aeAll);
    QCPGraph* g = ownRuns ? new TraceGraph(plot.xAxis, plot.yAxis)
                          : new QCPGraph(plot.xAxis, plot.yAxis);
    g->setPen(QPen(Qt::red, 1));
    for (int i = 0; i < shape.points; ++i)
        g->addData(i, shape.value(i));
    plot.xAxis->setRange(-1, shape.points);
    plot.yAxis->setRange(-0.1, 1.1);
    // As on the screen: the redraw into the plot's buffers, then its paint (toPixmap would
    // draw for a picture, the way that is left as it was).
    plot.replot();
    return plot.grab().toImage();
}

Difference compare(const Shape& shape, QSize size)
{
    const QImage stock = picture(false, shape, size);
    const QImage own = picture(true, shape, size);
    Difference d;
    const QRgb red = QColor(Qt::red).rgb();
    for (int y = 0; y < stock.height(); ++y)
        for (int x = 0; x < stock.width(); ++x) {
            const QRgb a = stock.pixel(x, y), b = own.pixel(x, y);
            d.differing += a != b;
            d.covered += a == red;
        }
    return d;
}

TEST(TraceGraph, DrawsThePictureOfQCustomPlotsOwnLines)
{
    const Shape shapes[] = {
        {"input toggling every 16 samples", 13200, [](int i) { return (i >> 4) & 1; }},
        {"input toggling every 512 samples", 13200, [](int i) { return (i >> 9) & 1; }},
        {"counting weight", 13200, [](int i) { return i / 13200.0; }},
        {"noise at rest", 13200, [](int i) { return 0.5 + 0.1 * std::sin(i * 12.9898); }},
        {"a few points, steep steps", 40, [](int i) { return (i / 3) & 1 ? 0.9 : 0.1; }},
        {"a few points, a slope", 25, [](int i) { return i * 0.04; }},
        {"noise beyond the axis", 3000, [](int i) { return 0.5 + 0.9 * std::sin(i * 12.9898); }},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        const Difference d = compare(s, QSize(640, 400));
        EXPECT_GT(d.covered, 0) << "the trace is drawn";
        EXPECT_EQ(d.differing, 0) << "of " << d.covered << " pixels of the trace";
    }
}

} // namespace
} // namespace korvel
