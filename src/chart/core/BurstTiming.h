#pragma once
#include <QLocale>
#include <QString>
#include <chrono>
#include <vector>

namespace korvel {

// What a burst measured: the indicator's interval between two samples, from the time stamps of
// the samples that came (taken the moment each frame was complete).
struct BurstMeasurement
{
    int samples = 0;       // samples received
    double interval = 0.0; // seconds between two samples; 0 with fewer than two samples
    // The duration of 1000 intervals, as the time panel shows it.
    double duration() const { return interval * 1000.0; }
    bool measured() const { return samples >= 2; }
};

// From the time stamps of the samples received, in order. A sample that did not come is not
// among them: the time from the first to the last stamp is spread over the intervals between
// the samples that came.
BurstMeasurement MeasureBurst(const std::vector<std::chrono::steady_clock::time_point>& stamps);

// The time panel's text for a duration: hours, minutes and seconds of two digits joined by the
// locale's time separator, a point and three digits of milliseconds ("00:00:07.005").
QString BurstDurationText(double seconds, const QLocale& locale = QLocale());

// The locale's separator between hours and minutes (":" where it has none of its own).
QString TimeSeparator(const QLocale& locale);

} // namespace korvel
