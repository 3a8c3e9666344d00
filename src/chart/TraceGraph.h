#pragma once
#include <qcustomplot.h>

namespace korvel {

// A trace of the chart with a cheaper way to put its lines on the screen. A repaint of a full
// window draws thousands of line pieces per trace: QCustomPlot thins the points to a few per
// pixel column, and in a column where the trace moves (an input toggling, the weight's noise)
// that leaves steep pieces across the plot's height, which the raster engine sets pixel by
// pixel, one call per piece. On the screen (a device pixel to a pixel), with a thin opaque pen
// and no antialiasing, this graph draws the steep pieces as runs of whole pixel columns, merged where they touch and
// filled as rectangles, and joins level pieces that continue one another into one line. The
// other pieces are drawn as before, and so is everything drawn for a vector picture.
class TraceGraph : public QCPGraph
{
    Q_OBJECT
public:
    TraceGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

protected:
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;
};

} // namespace korvel
