#pragma once
#include "chart/core/ChartPoint.h"

#include <QWidget>
#include <vector>

class QLabel;

namespace korvel {

class ChartAcquisition;
class ChartPlot;

// The figures of the points the chart shows (WindowFigures) as a row of labels under the
// toolbar: mean, deviation and peak-to-peak in weight and in scale divisions (for a loaded file
// in its own decimals and without divisions: the connected indicator's scale is not the
// file's), the number of points, and the settling time after a step when there is one. They follow
// the plot: after each repaint (at most 40 a second) they are computed again from the weight
// trace's points in the visible time range, so a run costs nothing more per sample, and dragging
// the view over a loaded file shows the figures of the part in view.
class ChartFiguresRow : public QWidget
{
    Q_OBJECT
public:
    ChartFiguresRow(ChartPlot& plot, const ChartAcquisition& acquisition,
                    QWidget* parent = nullptr);

    QLabel* mean() const { return mean_; }
    QLabel* deviation() const { return deviation_; }
    QLabel* range() const { return range_; }
    QLabel* points() const { return points_; }
    QLabel* settling() const { return settling_; }

    // Computes the figures of what the plot shows now.
    void refresh();

private:
    // Seconds from one X to the next: the run's, or for points that carry their own time texts
    // (a loaded file) the time between the first and the last visible one per X between them.
    double secondsPerPoint() const;

    ChartPlot& plot_;
    const ChartAcquisition& acquisition_;
    // The visible points, kept between repaints so a run does not allocate for each.
    std::vector<ChartPoint> visible_;
    QLabel* mean_ = nullptr;
    QLabel* deviation_ = nullptr;
    QLabel* range_ = nullptr;
    QLabel* points_ = nullptr;
    QLabel* settling_ = nullptr;
};

} // namespace korvel
