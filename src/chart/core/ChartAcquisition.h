#pragma once
#include "chart/core/ChartPoint.h"
#include "chart/core/ChartSample.h"
#include "chart/core/ChartSink.h"
#include "chart/core/ChartTiming.h"
#include "chart/core/InputTraces.h"
#include "chart/core/PointTimeTexts.h"
#include "chart/core/ShownDataAxes.h"
#include "chart/core/WindowExtremes.h"
#include "chart/core/WindowFigures.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// The data of the chart and what one decoded stream sample does to it: add the weight point
// and the input points, refit the weight axis, move the fixed time axis, trim to the window.
// Every step is O(1) per sample (amortised), whatever the window holds. Plain logic: the points
// go to a ChartSink, which may be a plot or a test fake. The samples come from the reception
// (ChartSampleDecoder), which hands the same samples to the recording beside it.
class ChartAcquisition : public ChartSampleSink
{
public:
    explicit ChartAcquisition(ChartSink& sink);

    // --- set at entry --------------------------------------------------------------------
    void setScaling(const WeightScaling& scaling) { scaling_ = scaling; }
    const WeightScaling& scaling() const { return scaling_; }
    // The scale of the points shown: the indicator's for a run or a burst, a file's own after a
    // load (the indicator's division means nothing for it).
    FigureUnits shownUnits() const
    {
        return shownUnits_ ? *shownUnits_
                           : FigureUnits::ofIndicator(scaling_.decimalCount, scaling_.division);
    }
    // Clears the six series and the input records.
    void clearSeries();
    // Entry: a fixed time axis goes to 0 .. 0; the weight axis to 0 .. 0.
    void resetAxesForEntry();

    // --- a run ---------------------------------------------------------------------------
    using RunSetup = ChartRunSetup;
    // SampleCounter to 0, the time axis to 0 .. WindowPoints. The delay of the setup is the
    // decoder's; the acquisition only shows its count-down.
    void beginRun(const RunSetup& setup);
    // One decoded sample of the run. One that only fills the input delay line is counted and
    // shown in the count-down label, not plotted.
    void addSample(const ChartSample& sample) override;

    // --- data shown without a run (a file, a burst) ----------------------------------------
    // Decimals of the seconds in a run's time labels.
    static constexpr int kRunLabelDecimals = 5;
    struct ShownData
    {
        std::vector<ChartPoint> points;
        // The time of point x is x * secondsPerPoint, unless the points bring their own texts.
        double secondsPerPoint = 0.0;
        // Decimals of the time labels: a run's 5, or fewer where the interval itself is only
        // known to the millisecond (the burst).
        int labelDecimals = kRunLabelDecimals;
        PointTimeTexts timeTexts;
        // Input traces: input k is drawn where bit k-1 of the mask is set, on where bit k-1 of
        // the point's byte is. They are no input records: such data never claims inputs.
        std::uint8_t traceMask = 0;
        std::vector<std::uint8_t> traceBytes;
        // The points' own scale (a file's); absent: the indicator's (a burst).
        std::optional<FigureUnits> units;
        ValueRange valueAxis;
        // The fixed time axis (BottomAxisMin .. BottomAxisMax).
        int keyMin = 0;
        int keyMax = 0;
    };
    // Replaces the series with these points, untrimmed, and sets both axes.
    void showData(const ShownData& data);

    // --- controls --------------------------------------------------------------------------
    // A new window size: the time axis is placed for it; the next sample trims the series.
    void setTimeWindow(int windowPoints);
    // "Плавно": the time axis follows the points, or stands at its fixed limits.
    void setKeyAutomatic(bool automatic);
    bool keyAutomatic() const { return keyAutomatic_; }

    // --- state -------------------------------------------------------------------------------
    int SampleCounter() const { return sampleCounter_; }
    int WindowPoints() const { return windowPoints_; }
    int ScrollStep() const { return scrollStep_; }
    int BottomAxisMin() const { return bottomMin_; }
    int BottomAxisMax() const { return bottomMax_; }
    double SecondsPerPoint() const { return secondsPerPoint_; }
    double valueAxisMin() const { return valueMin_; }
    double valueAxisMax() const { return valueMax_; }
    std::uint8_t inputMask() const { return mask_; }
    const std::deque<ChartPoint>& weightPoints() const { return weight_; }
    const InputRecords& DInputRecords() const { return records_; }
    // Every point has its input record (a run with inputs drawn): the records can be saved.
    bool recordsCoverPoints() const { return mask_ != 0 && records_.size() == int(weight_.size()); }
    // The time label of a point: a blank, its time in seconds, " c ".
    QString pointLabel(double x) const;

    // The delay count-down label: its text and whether it shows (called on changes only).
    std::function<void(const QString& text, bool visible)> onDelayLabel;

private:
    void setValueAxis(double min, double max);
    void showKeyAxis();
    void trim();
    void setDelayLabel(const QString& text, bool visible);

    ChartSink& sink_;
    WeightScaling scaling_;
    std::optional<FigureUnits> shownUnits_;
    int sampleCounter_ = 0;
    int windowPoints_ = 3;
    int scrollStep_ = 1;
    int bottomMin_ = 0;
    int bottomMax_ = 0;
    double secondsPerPoint_ = 0.0;
    int labelDecimals_ = kRunLabelDecimals;
    double valueMin_ = 0.0;
    double valueMax_ = 0.0;
    bool keyAutomatic_ = false;
    std::uint8_t mask_ = 0;
    std::deque<ChartPoint> weight_;
    WindowExtremes extremes_;
    InputRecords records_;
    QString delayText_;
    bool delayVisible_ = false;
};

} // namespace korvel
