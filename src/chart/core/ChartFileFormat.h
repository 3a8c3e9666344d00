#pragma once
// The chart file: a text in the Windows-1251 code page, lines ending in CR LF.
//
//   twi
//   Период АЦП, мс = 7.50
//   Фильтр1 = 3
//   Маска вывода цифровых входов на графики = 1
//      № п/п      Time         Weight    DInput
//          0      0             12.345       00
//
// One data line per point: number, time in seconds, weight, and (with a mask above 0) the
// input byte in two hexadecimal digits, right-aligned in fields of 8, 12, 14 and 6 characters.
// Older files carry "График цифровых входов = N" in line 4 (one input trace, chosen by N).
// Numbers are written with the user's decimal separator.
#include <QLocale>
#include <QString>

namespace korvel::ChartFileFormat {

inline QString signature()
{
    return QStringLiteral("twi");
}
inline QString periodHeader()
{
    return QStringLiteral("Период АЦП, мс = ");
}
inline QString filterHeader()
{
    return QStringLiteral("Фильтр1 = ");
}
inline QString maskHeader()
{
    return QStringLiteral("Маска вывода цифровых входов на графики = ");
}
inline QString olderInputHeader()
{
    return QStringLiteral("График цифровых входов = ");
}
inline QString columnHeader()
{
    return QStringLiteral("   № п/п      Time         Weight    DInput");
}

inline constexpr int kHeaderLines = 5;
// Characters of the header values taken after their captions.
inline constexpr int kPeriodTextLength = 10;
inline constexpr int kFilterTextLength = 2;
inline constexpr int kInputValueLength = 3;
// The longest time or weight text a data line may hold.
inline constexpr int kMaxTextLength = 19;
// Decimals of the time and weight columns.
inline constexpr int kDecimals = 5;
// A file larger than this is refused unread. A recording at the full rate (133 points a second,
// five inputs) writes about 20 MB an hour, so this takes some twelve hours of it; loaded, such a
// file holds under a gigabyte.
inline constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

// The decimal separator of the chart files on this computer: the locale's comma, or a point.
// (A separator outside the code page would make the file unreadable anywhere.)
inline QChar decimalSeparator(const QLocale& locale = QLocale())
{
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(',') : QLatin1Char('.');
}

} // namespace korvel::ChartFileFormat
