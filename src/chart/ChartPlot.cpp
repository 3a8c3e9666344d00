#include "chart/ChartPlot.h"

#include "chart/SampleTimeTicker.h"
#include "chart/TraceGraph.h"

namespace korvel {

namespace {

// Chart1's background: red 233, green 222, blue 160.
const QColor kBackground(233, 222, 160);
// A right-button move shorter than this is still a click.
constexpr int kDragThreshold = 3;

QColor fromBgr(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// QCPDataContainer's removeBefore only moves the start of its points on and keeps the room
// before them (it gives it back only once it is half as large again as the points kept: for a
// 99 s window at 133 frames/s, after another 150 s, and the vector grows meanwhile). The plot
// moves its points down itself once the room in front passes this share of them: a move of
// the window every sixteenth of a window, O(1) a sample, and a vector that stops growing once
// the window has filled.
constexpr int kFrontRoomShare = 16;
constexpr int kFrontRoomMin = 64;

// The container's vector: its capacity is the room the series holds. QCustomPlot keeps it
// protected; a member pointer reads it without touching the container.
struct ContainerVector : QCPGraphDataContainer
{
    static const QVector<QCPGraphData>& of(const QCPGraphDataContainer& c)
    {
        return c.*(&ContainerVector::mData);
    }
};

// An axis cannot show a single value; a flat range is shown around it.
bool isFlat(double min, double max)
{
    return !QCPRange::validRange(std::min(min, max), std::max(min, max));
}

QCPRange shownRange(double min, double max, double halfWidth)
{
    if (min > max)
        std::swap(min, max);
    if (isFlat(min, max))
        return QCPRange(min - halfWidth, max + halfWidth);
    return QCPRange(min, max);
}

} // namespace

ChartPlot::ChartPlot(QWidget* parent) : QCustomPlot(parent)
{
    setObjectName(QStringLiteral("Chart1"));
    setAccessibleName(QStringLiteral("График"));
    setContextMenuPolicy(Qt::PreventContextMenu);
    setBackground(kBackground);
    axisRect()->setBackground(kBackground);
    legend->setVisible(false);
    setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels | QCP::phImmediateRefresh);
    setNotAntialiasedElements(QCP::aeAll);
    // Nothing is drawn on the overlay layer; as a buffer of its own it would be cleared and
    // laid over the whole plot at every redraw.
    layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);

    ticker_.reset(new SampleTimeTicker);
    xAxis->setTicker(ticker_);
    yAxis2->setVisible(false);
    yAxis2->setRange(0.0, 1.0);

    // The legend is never shown; graphs left out of it cost no text measuring at each redraw.
    setAutoAddPlottableToLegend(false);
    for (int k = 1; k <= kInputCount; ++k) {
        QCPGraph* g = new TraceGraph(xAxis, yAxis2);
        g->setName(QStringLiteral("GraphicDInput%1").arg(k));
        inputs_[std::size_t(k - 1)] = g;
    }
    // Drawn last, so the weight stays on top of the traces.
    weight_ = new TraceGraph(xAxis, yAxis);
    weight_->setName(QStringLiteral("GraphicWeight"));
    setWeightStyle(1, false);
    setInputColors({16711680, 32768, 8388736, 65280, 16711935});

    repaintTimer_.setSingleShot(true);
    repaintTimer_.setTimerType(Qt::PreciseTimer);
    connect(&repaintTimer_, &QTimer::timeout, this, &ChartPlot::repaintNow);
}

ChartPlot::~ChartPlot() = default;

void ChartPlot::setWeightStyle(int penWidth, bool showPoints)
{
    weight_->setPen(QPen(Qt::red, std::max(1, penWidth)));
    weight_->setScatterStyle(showPoints ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4)
                                        : QCPScatterStyle(QCPScatterStyle::ssNone));
    scheduleRepaint();
}

void ChartPlot::setInputColors(const std::array<std::uint32_t, kInputCount>& colors)
{
    for (int k = 0; k < kInputCount; ++k)
        inputs_[std::size_t(k)]->setPen(QPen(fromBgr(colors[std::size_t(k)])));
    scheduleRepaint();
}

void ChartPlot::setInputInset(int input, double inset)
{
    insets_[std::size_t(input - 1)] = inset;
}

void ChartPlot::clearSeries()
{
    // The room goes too: a vector keeps its capacity when emptied, and a long file loaded
    // before would otherwise stay held through every run after it.
    for (QCPGraph* g : inputs_) {
        g->data()->clear();
        g->data()->squeeze();
    }
    weight_->data()->clear();
    weight_->data()->squeeze();
    keyDirty_ = true;
    scheduleRepaint();
}

void ChartPlot::addWeightPoint(double x, double y)
{
    weight_->addData(x, y);
    if (keyAutomatic_)
        keyDirty_ = true;
    scheduleRepaint();
}

void ChartPlot::addInputPoint(int input, double x, bool on)
{
    const double inset = insets_[std::size_t(input - 1)];
    inputs_[std::size_t(input - 1)]->addData(x, on ? 1.0 - inset : inset);
}

void ChartPlot::dropBefore(double x)
{
    dropBefore(weight_, x);
    for (QCPGraph* g : inputs_)
        dropBefore(g, x);
}

void ChartPlot::dropBefore(QCPGraph* graph, double x)
{
    QCPGraphDataContainer& data = *graph->data();
    data.removeBefore(x);
    const qsizetype front = data.constBegin() - ContainerVector::of(data).constBegin();
    if (front > kFrontRoomMin && front * kFrontRoomShare > data.size())
        data.squeeze(true, false);
}

qsizetype ChartPlot::roomForPoints() const
{
    qsizetype room = ContainerVector::of(*weight_->data()).capacity();
    for (QCPGraph* g : inputs_)
        room += ContainerVector::of(*g->data()).capacity();
    return room;
}

void ChartPlot::setValueRange(double min, double max)
{
    valueMin_ = min;
    valueMax_ = max;
    valueDirty_ = true;
    scheduleRepaint();
}

void ChartPlot::setKeyRange(double min, double max)
{
    keyMin_ = min;
    keyMax_ = max;
    keyDirty_ = true;
    scheduleRepaint();
}

void ChartPlot::setKeyAutomatic(bool automatic)
{
    keyAutomatic_ = automatic;
    keyDirty_ = true;
    scheduleRepaint();
}

void ChartPlot::setSecondsPerPoint(double seconds)
{
    ticker_->setSecondsPerPoint(seconds);
    scheduleRepaint();
}

void ChartPlot::setTimeLabelDecimals(int decimals)
{
    ticker_->setDecimals(decimals);
    scheduleRepaint();
}

void ChartPlot::setPointTimeTexts(const PointTimeTexts& texts)
{
    pointTimeTexts_ = texts;
    if (texts.empty()) {
        ticker_->labelFor = nullptr;
    } else {
        ticker_->labelFor = [texts](double x) {
            const QString time = texts.at(x);
            return time.isEmpty() ? time : time + QStringLiteral(" c");
        };
    }
    scheduleRepaint();
}

void ChartPlot::scheduleRepaint()
{
    if (!repaintTimer_.isActive())
        repaintTimer_.start(kRepaintIntervalMs);
}

void ChartPlot::applyRanges()
{
    if (valueDirty_) {
        valueDirty_ = false;
        yAxis->setRange(shownRange(valueMin_, valueMax_, 0.5));
        if (!isFlat(valueMin_, valueMax_)) {
            yAxis2->setRange(0.0, 1.0);
        } else {
            // A flat weight: every level of every trace is that one value, the middle.
            yAxis2->setRange(0.5 - 1e6, 0.5 + 1e6);
        }
    }
    if (keyDirty_) {
        keyDirty_ = false;
        if (!keyAutomatic_) {
            xAxis->setRange(shownRange(keyMin_, keyMax_, 0.5));
        } else if (!weight_->data()->isEmpty()) {
            xAxis->setRange(shownRange(weight_->data()->constBegin()->key,
                                       (weight_->data()->constEnd() - 1)->key, 0.5));
        }
    }
}

void ChartPlot::repaintNow()
{
    repaintTimer_.stop();
    applyRanges();
    // A hidden chart (the front panel on show) costs nothing; it is drawn when shown.
    if (!isVisible())
        return;
    QElapsedTimer t;
    t.start();
    replot(rpRefreshHint);
    repaintNs_ += t.nsecsElapsed();
    ++repaints_;
}

void ChartPlot::showEvent(QShowEvent* event)
{
    QCustomPlot::showEvent(event);
    scheduleRepaint();
}

// --- mouse ------------------------------------------------------------------------------------

void ChartPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QCustomPlot::mousePressEvent(event);
        return;
    }
    rightDown_ = true;
    dragging_ = false;
    pressPos_ = lastPos_ = event->position().toPoint();
    event->accept();
}

void ChartPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (!rightDown_ || !(event->buttons() & Qt::RightButton)) {
        QCustomPlot::mouseMoveEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!dragging_ && (pos - pressPos_).manhattanLength() < kDragThreshold)
        return;
    dragging_ = true;
    // The view moves with the pointer; the traces' axis moves by the same share of the plot.
    const QPoint d = pos - lastPos_;
    lastPos_ = pos;
    const double dx = xAxis->pixelToCoord(0) - xAxis->pixelToCoord(d.x());
    xAxis->moveRange(dx);
    for (QCPAxis* axis : {yAxis, yAxis2}) {
        const double dy = axis->pixelToCoord(0) - axis->pixelToCoord(d.y());
        axis->moveRange(dy);
    }
    replot(rpQueuedReplot);
}

void ChartPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton || !rightDown_) {
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    rightDown_ = false;
    const bool dragged = dragging_;
    dragging_ = false;
    if (!dragged && onPopupRequested)
        onPopupRequested(event->globalPosition().toPoint());
}

void ChartPlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    QCustomPlot::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace korvel
