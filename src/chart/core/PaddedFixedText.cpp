#include "chart/core/PaddedFixedText.h"

#include "chart/core/TrimmedFixedText.h"

namespace korvel {

QString PaddedFixedText(double value, int decimals, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    const qsizetype full = l.toString(value, 'f', decimals).size();
    QString text = TrimmedFixedText(value, decimals, locale);
    if (text.size() < full)
        text += QString(full - text.size(), QLatin1Char(' '));
    return text;
}

} // namespace korvel
