#pragma once
#include "chart/core/ChartPoint.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <span>

namespace korvel {

// The scale of the points whose figures are shown, as far as it is known.
struct FigureUnits
{
    int decimals = 1;      // of the weight texts
    double division = 0.0; // one scale division, shown as "(N d)"; 0 when not known
    // The division the settling time's step and band are counted in; 0: no settling time.
    double settlingDivision = 0.0;

    // A run's or a burst's: the indicator's own decimals and division.
    static FigureUnits ofIndicator(int decimalCount, double division);
    // A loaded file's: the decimals its weights show and no division, for a file does not say
    // which scale wrote it (the indicator connected now may be another). The settling time is
    // counted in the finest division its numbers allow: a chart file is written from the
    // stream, which carries one decimal more than the display, so ten of its last digits (the
    // display's last digit); a plain text's last digit itself.
    static FigureUnits ofFile(int decimals, bool chartFile);
};

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
