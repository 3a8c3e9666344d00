#include "chart/SampleTimeTicker.h"

#include "chart/core/TrimmedFixedText.h"

namespace korvel {

SampleTimeTicker::SampleTimeTicker()
{
    setTickCount(6);
}

double SampleTimeTicker::getTickStep(const QCPRange& range)
{
    if (secondsPerPoint_ <= 0.0)
        return QCPAxisTicker::getTickStep(range);
    const double seconds = range.size() * secondsPerPoint_ / (mTickCount + 1e-10);
    return cleanMantissa(seconds) / secondsPerPoint_;
}

QString SampleTimeTicker::label(double x) const
{
    if (labelFor)
        return labelFor(x);
    return TrimmedFixedText(x * secondsPerPoint_, decimals_) + QStringLiteral(" c");
}

QString SampleTimeTicker::getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                                       int precision)
{
    // Before the first run there are no seconds yet: sample numbers then.
    if (!labelFor && secondsPerPoint_ <= 0.0)
        return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
    return label(tick);
}

} // namespace korvel
