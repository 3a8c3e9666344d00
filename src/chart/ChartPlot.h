#pragma once
#include "chart/core/ChartSink.h"
#include "chart/core/InputTraces.h"

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

namespace korvel {

class SampleTimeTicker;

// Chart1: the weight trace and the five input traces on a time axis. Points arrive one by one
// through ChartSink; the plot is redrawn at most about 60 times a second, whatever the sample
// rate. The input traces sit on a hidden second value axis that always spans the weight axis
// from 0 (its bottom) to 1 (its top), so each trace point lies at its input's level of the
// weight axis in force without being moved when that axis changes. The right mouse button
// drags the view; a right click without dragging asks for the popup menu.
class ChartPlot : public QCustomPlot, public ChartSink
{
    Q_OBJECT
public:
    // Redraws are at least this far apart: at most 40 a second, smooth to the eye and well
    // under the 60 a second a run may cost.
    static constexpr int kRepaintIntervalMs = 25;

    explicit ChartPlot(QWidget* parent = nullptr);
    ~ChartPlot() override;

    // ChartSink
    void clearSeries() override;
    void addWeightPoint(double x, double y) override;
    void addInputPoint(int input, double x, bool on) override;
    void dropBefore(double x) override;
    void setValueRange(double min, double max) override;
    void setKeyRange(double min, double max) override;
    void setKeyAutomatic(bool automatic) override;
    void setSecondsPerPoint(double seconds) override;
    void setTimeLabelDecimals(int decimals) override;
    void setPointTimeTexts(const PointTimeTexts& texts) override;

    // The weight trace's pen width and point markers (settings, applied at start-up).
    void setWeightStyle(int penWidth, bool showPoints);
    // The colours of the input traces, 0x00BBGGRR, entry k-1 for input k.
    void setInputColors(const std::array<std::uint32_t, kInputCount>& colors);
    // The inset of one trace's levels (the older chart file draws one trace at 0.05).
    void setInputInset(int input, double inset);

    QCPGraph* GraphicWeight() const { return weight_; }
    QCPGraph* GraphicDInput(int input) const { return inputs_[std::size_t(input - 1)]; }
    SampleTimeTicker& ticker() const { return *ticker_; }
    // The points' own time texts (data from a file), empty otherwise.
    const PointTimeTexts& pointTimeTexts() const { return pointTimeTexts_; }

    // Redraws now if something changed since the last redraw.
    void repaintNow();
    // Redraws so far (for benchmarks).
    long repaints() const { return repaints_; }
    // Time spent redrawing so far, in seconds (for benchmarks).
    double repaintSeconds() const { return double(repaintNs_) / 1e9; }
    // Points the series have room for, kept points and free room together (for tests and
    // benchmarks: after the window has filled it no longer grows).
    qsizetype roomForPoints() const;

    // A right click that did not drag: the popup menu is wanted at this screen point.
    std::function<void(QPoint globalPos)> onPopupRequested;

signals:
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRepaint();
    void applyRanges();
    void dropBefore(QCPGraph* graph, double x);

    QCPGraph* weight_ = nullptr;
    std::array<QCPGraph*, kInputCount> inputs_{};
    std::array<double, kInputCount> insets_ = kInputInsets;
    QSharedPointer<SampleTimeTicker> ticker_;
    PointTimeTexts pointTimeTexts_;
    QTimer repaintTimer_;
    long repaints_ = 0;
    qint64 repaintNs_ = 0;

    bool keyAutomatic_ = false;
    double keyMin_ = 0.0, keyMax_ = 0.0;
    double valueMin_ = 0.0, valueMax_ = 0.0;
    bool keyDirty_ = true;
    bool valueDirty_ = true;

    // Right-button dragging.
    bool rightDown_ = false;
    bool dragging_ = false;
    QPoint pressPos_;
    QPoint lastPos_;
};

} // namespace korvel
