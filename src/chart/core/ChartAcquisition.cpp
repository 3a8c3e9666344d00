#include "chart/core/ChartAcquisition.h"

#include "chart/core/TrimmedFixedText.h"

namespace korvel {

ChartAcquisition::ChartAcquisition(ChartSink& sink) : sink_(sink)
{
}

void ChartAcquisition::clearSeries()
{
    weight_.clear();
    extremes_.clear();
    records_.clear();
    sink_.clearSeries();
    sink_.setPointTimeTexts({});
}

void ChartAcquisition::resetAxesForEntry()
{
    if (!keyAutomatic_) {
        bottomMin_ = 0;
        bottomMax_ = 0;
        showKeyAxis();
    }
    valueMin_ = valueMax_ = 0.0;
    sink_.setValueRange(0.0, 0.0);
}

void ChartAcquisition::beginRun(const RunSetup& setup)
{
    sampleCounter_ = 0;
    shownUnits_.reset();
    windowPoints_ = setup.timing.windowPoints;
    scrollStep_ = setup.timing.scrollStep;
    secondsPerPoint_ = setup.timing.secondsPerPoint;
    labelDecimals_ = kRunLabelDecimals;
    sink_.setSecondsPerPoint(secondsPerPoint_);
    sink_.setTimeLabelDecimals(labelDecimals_);
    sink_.setPointTimeTexts({});
    mask_ = setup.inputMask;
    bottomMin_ = 0;
    bottomMax_ = windowPoints_;
    showKeyAxis();
    setDelayLabel(delayText_, false);
}

void ChartAcquisition::addSample(const ChartSample& sample)
{
    sampleCounter_ = sample.number;
    if (!sample.plotted()) {
        ++sampleCounter_;
        setDelayLabel(DelayCountDownText(sample.delayLeft), true);
        return;
    }
    if (delayVisible_)
        setDelayLabel(delayText_, false);

    const double weight = sample.weight;
    const std::uint8_t inputs = sample.inputs;
    const double x = sampleCounter_;
    weight_.push_back({x, weight});
    extremes_.push(weight);
    sink_.addWeightPoint(x, weight);
    if (mask_ != 0) {
        for (int k = 1; k <= kInputCount; ++k)
            if (InputBit(mask_, k))
                sink_.addInputPoint(k, x, InputBit(inputs, k));
        records_.append(inputs);
    }
    ++sampleCounter_;

    // The window as it stands, before this sample's trim: the axis always holds every point
    // drawn with it.
    setValueAxis(extremes_.min() - scaling_.axisMargin, extremes_.max() + scaling_.axisMargin);

    // The fixed range moves on even while the axis follows the points, so that it is current
    // when smooth scrolling is switched off.
    if (sampleCounter_ > bottomMax_) {
        bottomMax_ += scrollStep_;
        bottomMin_ += scrollStep_;
        if (!keyAutomatic_)
            sink_.setKeyRange(bottomMin_, bottomMax_);
    }
    trim();
}

void ChartAcquisition::showData(const ShownData& data)
{
    clearSeries();
    mask_ = 0;
    setDelayLabel(delayText_, false);
    secondsPerPoint_ = data.secondsPerPoint;
    shownUnits_ = data.units;
    labelDecimals_ = data.labelDecimals;
    sink_.setSecondsPerPoint(secondsPerPoint_);
    sink_.setTimeLabelDecimals(labelDecimals_);
    sink_.setPointTimeTexts(data.timeTexts);

    const bool traces = data.traceMask != 0 && data.traceBytes.size() == data.points.size();
    for (std::size_t i = 0; i < data.points.size(); ++i) {
        const ChartPoint& p = data.points[i];
        weight_.push_back(p);
        extremes_.push(p.y);
        sink_.addWeightPoint(p.x, p.y);
        if (!traces)
            continue;
        for (int k = 1; k <= kInputCount; ++k)
            if (InputBit(data.traceMask, k))
                sink_.addInputPoint(k, p.x, InputBit(data.traceBytes[i], k));
    }
    sampleCounter_ = int(data.points.size());
    setValueAxis(data.valueAxis.min, data.valueAxis.max);
    bottomMin_ = data.keyMin;
    bottomMax_ = data.keyMax;
    showKeyAxis();
}

void ChartAcquisition::trim()
{
    if (int(weight_.size()) <= windowPoints_)
        return;
    while (int(weight_.size()) > windowPoints_) {
        weight_.pop_front();
        extremes_.popFront();
        records_.popFront();
    }
    sink_.dropBefore(weight_.front().x);
}

void ChartAcquisition::setTimeWindow(int windowPoints)
{
    windowPoints_ = windowPoints;
    if (sampleCounter_ < windowPoints_) {
        bottomMin_ = 0;
        bottomMax_ = windowPoints_;
    } else {
        bottomMin_ = bottomMax_ - windowPoints_;
    }
    showKeyAxis();
}

void ChartAcquisition::setKeyAutomatic(bool automatic)
{
    keyAutomatic_ = automatic;
    sink_.setKeyAutomatic(automatic);
    showKeyAxis();
}

void ChartAcquisition::showKeyAxis()
{
    if (!keyAutomatic_)
        sink_.setKeyRange(bottomMin_, bottomMax_);
}

void ChartAcquisition::setValueAxis(double min, double max)
{
    if (min == valueMin_ && max == valueMax_)
        return;
    valueMin_ = min;
    valueMax_ = max;
    sink_.setValueRange(min, max);
}

QString ChartAcquisition::pointLabel(double x) const
{
    return QLatin1Char(' ') + TrimmedFixedText(x * secondsPerPoint_, labelDecimals_) +
           QStringLiteral(" c ");
}

void ChartAcquisition::setDelayLabel(const QString& text, bool visible)
{
    if (text == delayText_ && visible == delayVisible_)
        return;
    delayText_ = text;
    delayVisible_ = visible;
    if (onDelayLabel)
        onDelayLabel(text, visible);
}

} // namespace korvel
