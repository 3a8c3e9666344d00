#pragma once
#include <QLocale>
#include <QString>

namespace korvel {

// A number for the columns of chart files: TrimmedFixedText followed by as many blanks as
// trailing characters were taken off, so the text keeps the length of the untrimmed fixed
// notation. 12.35 with 5 decimals gives "12.35   ", -0.5 gives "-0.5    ", 0 gives "0      ".
QString PaddedFixedText(double value, int decimals, const QLocale& locale = QLocale());

} // namespace korvel
