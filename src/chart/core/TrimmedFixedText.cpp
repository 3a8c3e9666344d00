#include "chart/core/TrimmedFixedText.h"

namespace korvel {

QString TrimmedFixedText(double value, int decimals, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    QString text = l.toString(value, 'f', decimals);
    if (decimals <= 0)
        return text;
    const QString separator = l.decimalPoint();
    if (!text.contains(separator))
        return text;
    const QString zero = l.zeroDigit();
    int end = int(text.size());
    while (end > 0 && text.mid(0, end).endsWith(zero))
        end -= int(zero.size());
    if (text.mid(0, end).endsWith(separator))
        end -= int(separator.size());
    return text.left(end);
}

} // namespace korvel
