#pragma once
#include "chart/core/ChartPoint.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <span>

namespace korvel {

// What the figures need besides the points. X of a point counts samples.
struct FigureScale
{
    double division = 0.0;        // one scale division in weight units; 0 when not known
    double secondsPerPoint = 0.0; // time from one X to the next; 0 when not known
};

// The figures a technician tunes the filters by, over the points the chart shows: how much the
// weight wanders (mean, standard deviation, peak-to-peak) and how long it takes to settle
// after a load is put on or taken off. Computed from the visible points at a repaint, so the
// cost is per repaint, never per sample.
struct WindowFigures
{
    // A step is a change of more than kStepDivisions within kStepSamples samples, or within
    // kStepSeconds where that is more samples: a fast stream behind a slow filter spreads a
    // load put on over many samples, and its steps are steps all the same.
    static constexpr double kStepDivisions = 20.0;
    static constexpr int kStepSamples = 5;
    static constexpr double kStepSeconds = 0.25;
    // Settled: within this many divisions of the final value for kSettledSeconds.
    static constexpr double kSettledDivisions = 1.0;
    static constexpr double kSettledSeconds = 1.0;

    int points = 0;
    // Mean, deviation and range need two points at least.
    bool valid = false;
    double mean = 0.0;
    double deviation = 0.0; // sample standard deviation (n - 1)
    double range = 0.0;     // peak to peak
    // From the last step in the points to the moment the weight stays within one division of
    // its final value for a second; absent without such a step or without a settled end.
    std::optional<double> settlingSeconds;

    static WindowFigures compute(std::span<const ChartPoint> points, const FigureScale& scale);
};

// The label texts of the figures: the weight with `decimals` decimals and, where the division
// is known, the same in divisions ("Размах = 0.200 (10 d)"); the settling time in seconds with
// two decimals, empty when there is none. The locale's decimal separator throughout.
struct WindowFigureTexts
{
    QString mean, deviation, range, points, settling;

    static WindowFigureTexts of(const WindowFigures& figures, double division, int decimals,
                                const QLocale& locale = QLocale());
};

} // namespace korvel
