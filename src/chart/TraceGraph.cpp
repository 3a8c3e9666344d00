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

// A steep piece as the raster engine sets it with a thin pen: one pixel in every row from the
// row of its upper end to the row of its lower end, in the column under the piece at the
// middle of that row. Consecutive rows in the same column make one run.
void steepRuns(QPointF a, QPointF b, std::vector<ColumnRun>& runs)
{
    if (a.y() > b.y())
        std::swap(a, b);
    const int first = int(std::floor(a.y()));
    const int last = int(std::floor(b.y()));
    const double slope = (b.x() - a.x()) / (b.y() - a.y());
    auto columnAt = [&](int row) { return int(std::floor(a.x() + (row + 0.5 - a.y()) * slope)); };
    // A steep piece moves less than a column a row: the column changes by one at a time, at the
    // rows found from the line's equation (and checked against the rows' own columns).
    const int lastColumn = columnAt(last);
    int row = first;
    int column = columnAt(first);
    while (column != lastColumn) {
        const bool right = lastColumn > column;
        const double border = right ? column + 1 : column;
        int next = std::clamp(int(std::ceil(a.y() - 0.5 + (border - a.x()) / slope)), row + 1, last);
        while (next > row + 1 && columnAt(next - 1) != column)
            --next;
        while (next < last && columnAt(next) == column)
            ++next;
        runs.push_back({column, row, next - 1});
        row = next;
        column = columnAt(row);
    }
    runs.push_back({column, row, last});
}

// The runs merged where they overlap or touch in a column; then columns next to one another
// whose only run has the same rows are filled as one rectangle.
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
    const std::size_t n = merged.size();
    auto onlyRunOfItsColumn = [&](std::size_t k) {
        return (k == 0 || merged[k - 1].column != merged[k].column) &&
               (k + 1 == n || merged[k + 1].column != merged[k].column);
    };
    std::size_t i = 0;
    while (i < n) {
        const ColumnRun& r = merged[i];
        std::size_t k = i + 1;
        if (onlyRunOfItsColumn(i)) {
            while (k < n && merged[k].column == merged[k - 1].column + 1 && merged[k].top == r.top &&
                   merged[k].bottom == r.bottom && onlyRunOfItsColumn(k))
                ++k;
        }
        painter->fillRect(QRect(r.column, r.top, merged[k - 1].column - r.column + 1,
                                r.bottom - r.top + 1),
                          colour);
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
                       pen.style() == Qt::SolidLine && pen.color().alpha() == 255 &&
                       (pen.widthF() == 0.0 || pen.widthF() == 1.0) &&
                       mParentPlot->plottingHints().testFlag(QCP::phFastPolylines);
    if (!plain) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    QPen thin = pen;
    thin.setWidth(0);
    painter->setPen(thin);

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
        if (std::abs(b.y() - a.y()) > std::abs(b.x() - a.x()))
            steepRuns(a, b, runs);
        else
            painter->drawLine(QLineF(a, b));
    }
    endLevel();
    fillRuns(painter, runs, pen.color());
}

} // namespace korvel
