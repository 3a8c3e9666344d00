#include "chart/core/BurstTiming.h"

#include <algorithm>
#include <cmath>

namespace korvel {

BurstMeasurement MeasureBurst(const std::vector<std::chrono::steady_clock::time_point>& stamps)
{
    BurstMeasurement m;
    m.samples = int(stamps.size());
    if (!m.measured())
        return m;
    const std::chrono::duration<double> span = stamps.back() - stamps.front();
    m.interval = span.count() / double(m.samples - 1);
    return m;
}

QString TimeSeparator(const QLocale& locale)
{
    // The separator is whatever stands between the hour and the minute fields of the
    // locale's short time format.
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype h = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (h >= 0) {
        qsizetype i = h;
        while (i < format.size() && format[i].toLower() == QLatin1Char('h'))
            ++i;
        const qsizetype m = format.indexOf(QLatin1Char('m'), i);
        if (m > i) {
            const QString between = format.mid(i, m - i).remove(QLatin1Char('\''));
            if (!between.trimmed().isEmpty())
                return between;
        }
    }
    return QStringLiteral(":");
}

QString BurstDurationText(double seconds, const QLocale& locale)
{
    const long long ms = std::llround(std::max(0.0, seconds) * 1000.0);
    const long long s = ms / 1000;
    const QString sep = TimeSeparator(locale);
    auto two = [](long long v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(s / 3600) + sep + two((s / 60) % 60) + sep + two(s % 60) + QLatin1Char('.') +
           QStringLiteral("%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace korvel
