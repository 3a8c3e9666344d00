#include "chart/TraceGraph.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace korvel {

namespace {

// Rows top..bottom (inclusive) of one pixel column.
struct ColumnRun
{
    int column;
    int top;
    int bottom;
};

// The raster engine's thin aliased line, done the way it does it: ends in 1/64 pixel, the step
// along the line in 1/65536 pixel, half a pixel added at each end (the square cap), one pixel
// in every row, in the column the line has reached there. A steep piece (one that spans more
// rows than columns) comes out as runs of rows in one column each. Only pieces well inside the
// clip are taken here: the engine clips the others first, which moves their ends.
bool isSteep(QPointF a, QPointF b)
{
    const int dx = std::abs(int(b.x() * 64.) - int(a.x() * 64.));
    const int dy = std::abs(int(b.y() * 64.) - int(a.y() * 64.));
    return dx < dy;
}

void steepRuns(QPointF a, QPointF b, std::vector<ColumnRun>& runs)
{
    int x1 = int(a.x() * 64.), y1 = int(a.y() * 64.);
    int x2 = int(b.x() * 64.), y2 = int(b.y() * 64.);
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int xinc = int((long long)(x2 - x1) * 65536 / (y2 - y1));
    long long x = (long long)x1 * 1024;
    y1 -= 32;
    y2 += 32;
    x -= xinc >> 1;
    int y = (y1 + 32) >> 6;
    const int ys = (y2 + 32) >> 6;
    if (y >= ys)
        return;
    const int round = xinc > 0 ? 32 : 0;
    x += ((long long)(y * 64 + round - y1) * xinc) >> 6;
    // Row y has column (x + (y - y0) * xinc) >> 16; the rows where that changes are found
    // directly rather than row by row.
    while (y < ys) {
        const int column = int(x >> 16);
        long long rows = ys - y;
        if (xinc > 0) {
            const long long border = (long long)(column + 1) << 16;
            rows = std::min(rows, (border - x + xinc - 1) / xinc);
        } else if (xinc < 0) {
            const long long border = (long long)column << 16;
            rows = std::min(rows, (x - border) / -xinc + 1);
        }
        runs.push_back({column, y, y + int(rows) - 1});
        y += int(rows);
        x += rows * xinc;
    }
}

// The runs merged where they overlap or touch in a column, and filled.
void fillRuns(QCPPainter* painter, std::vector<ColumnRun>& runs, const QColor& colour)
{
    if (runs.empty())
        return;
    std::sort(runs.begin(), runs.end(), [](const ColumnRun& x, const ColumnRun& y) {
        return x.column != y.column ? x.column < y.column : x.top < y.top;
    });
    std::vector<ColumnRun> merged;
    merged.reserve(runs.size());
    for (const ColumnRun& r : runs) {
        if (!merged.empty() && merged.back().column == r.column && r.top <= merged.back().bottom + 1)
            merged.back().bottom = std::max(merged.back().bottom, r.bottom);
        else
            merged.push_back(r);
    }
    // Columns next to one another whose only runs overlap by most of their rows share one
    // rectangle of the rows they have in common; what each has beyond it is filled on its own.
    // A trace toggling in every column is then a few wide rectangles, not a row of pixels for
    // every row of every column.
    const std::size_t n = merged.size();
    auto onlyRunOfItsColumn = [&](std::size_t k) {
        return (k == 0 || merged[k - 1].column != merged[k].column) &&
               (k + 1 == n || merged[k + 1].column != merged[k].column);
    };
    auto fill = [&](int column, int top, int width, int bottom) {
        if (bottom >= top)
            painter->fillRect(QRect(column, top, width, bottom - top + 1), colour);
    };
    std::size_t i = 0;
    while (i < n) {
        int top = merged[i].top, bottom = merged[i].bottom;
        std::size_t k = i + 1;
        if (onlyRunOfItsColumn(i)) {
            while (k < n && merged[k].column == merged[k - 1].column + 1 && onlyRunOfItsColumn(k)) {
                const int t = std::max(top, merged[k].top), b = std::min(bottom, merged[k].bottom);
                if (2 * (b - t + 1) < merged[k].bottom - merged[k].top + 1 ||
                    2 * (b - t + 1) < bottom - top + 1)
                    break;
                top = t;
                bottom = b;
                ++k;
            }
        }
        fill(merged[i].column, top, merged[k - 1].column - merged[i].column + 1, bottom);
        for (std::size_t j = i; j < k; ++j) {
            fill(merged[j].column, merged[j].top, 1, std::min(merged[j].bottom, top - 1));
            fill(merged[j].column, std::max(merged[j].top, bottom + 1), 1, merged[j].bottom);
        }
        i = k;
    }
}

} // namespace

TraceGraph::TraceGraph(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis)
{
}

void TraceGraph::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    const QPen pen = painter->pen();
    if (pen.style() == Qt::NoPen || pen.color().alpha() == 0)
        return;
    applyDefaultAntialiasingHint(painter);
    const bool plain = !painter->modes().testFlag(QCPPainter::pmVectorized) &&
                       !painter->modes().testFlag(QCPPainter::pmNoCaching) &&
                       !painter->testRenderHint(QPainter::Antialiasing) &&
                       painter->transform().isIdentity() && painter->device() &&
                       painter->device()->devicePixelRatio() == 1.0 &&
                       pen.style() == Qt::SolidLine && pen.capStyle() != Qt::FlatCap &&
                       pen.color().alpha() == 255 &&
                       (pen.widthF() == 0.0 || pen.widthF() == 1.0) &&
                       mParentPlot->plottingHints().testFlag(QCP::phFastPolylines);
    if (!plain) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    QPen thin = pen;
    thin.setWidth(0);
    painter->setPen(thin);

    // Pieces with both ends this far inside the clip are never clipped by the engine.
    const QRectF inside = (painter->hasClipping()
                               ? painter->clipBoundingRect()
                               : QRectF(0, 0, painter->device()->width(), painter->device()->height()))
                              .adjusted(4, 4, -4, -4);
    std::vector<ColumnRun> runs;
    // A level line being followed: pieces at the same height that continue one another.
    bool level = false;
    QPointF levelStart, levelEnd;
    auto endLevel = [&] {
        if (level)
            painter->drawLine(QLineF(levelStart, levelEnd));
        level = false;
    };
    const qsizetype n = lines.size();
    for (qsizetype i = 1; i < n; ++i) {
        const QPointF a = lines[i - 1];
        const QPointF b = lines[i];
        if (qIsNaN(a.x()) || qIsNaN(a.y()) || qIsNaN(b.x()) || qIsNaN(b.y())) {
            endLevel();
            continue;
        }
        if (a.y() == b.y()) {
            if (level && levelEnd == a) {
                levelEnd = b;
            } else {
                endLevel();
                level = true;
                levelStart = a;
                levelEnd = b;
            }
            continue;
        }
        endLevel();
        // Without antialiasing QCPPainter draws a line between the nearest whole pixels.
        const QPointF wholeA = QLineF(a, b).toLine().p1(), wholeB = QLineF(a, b).toLine().p2();
        if (isSteep(wholeA, wholeB) && inside.contains(wholeA) && inside.contains(wholeB))
            steepRuns(wholeA, wholeB, runs);
        else
            painter->drawLine(QLineF(a, b));
    }
    endLevel();
    fillRuns(painter, runs, pen.color());
}

} // namespace korvel
