#include "chart/core/PeriodField.h"

namespace korvel::PeriodField {

Key filterKey(const QString& typed, const QString& fieldText, const QLocale& locale)
{
    if (typed.size() != 1)
        return {};
    const QChar c = typed.front();
    if (c.isDigit() && c.unicode() < 128)
        return {true, typed};
    if (c == QLatin1Char('\b'))
        return {true, typed};
    if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
        const QString separator = locale.decimalPoint();
        if (fieldText.contains(separator))
            return {};
        return {true, separator};
    }
    return {};
}

std::optional<double> value(const QString& text, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = l.toDouble(text.trimmed(), &ok);
    if (!ok || !(v > 0.0) || v > kMax)
        return std::nullopt;
    return v;
}

Exit onExit(const QString& text, const QString& startupText, const QLocale& locale)
{
    if (text.isEmpty())
        return {true, startupText};
    if (const auto v = value(text, locale))
        return {false, format(*v, locale)};
    return {true, text};
}

QString format(double periodMs, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(periodMs, 'f', 2);
}

} // namespace korvel::PeriodField
