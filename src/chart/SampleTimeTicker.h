#pragma once
#include <qcustomplot.h>

#include <functional>

namespace korvel {

// Ticks of the chart's X axis: X counts samples, the labels read in seconds. Ticks fall on
// round times (0.5 s, 1 s, 2 s, ...) rather than on round sample numbers, and each label is the
// time of that position in the chart's own number form.
class SampleTimeTicker : public QCPAxisTicker
{
public:
    SampleTimeTicker();

    // Seconds between two samples; 0 or less labels the axis in sample numbers.
    void setSecondsPerPoint(double seconds) { secondsPerPoint_ = seconds; }
    double secondsPerPoint() const { return secondsPerPoint_; }
    // Decimals of the seconds in a label.
    void setDecimals(int decimals) { decimals_ = decimals; }

    // Another label for a position (data loaded from a file labels its own points).
    std::function<QString(double x)> labelFor;

    // The time label at x (with seconds per point set, or labelFor).
    QString label(double x) const;

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

private:
    double secondsPerPoint_ = 0.0;
    int decimals_ = 5;
};

} // namespace korvel
