#pragma once
#include <QLocale>
#include <QString>

namespace korvel {

// A number for chart labels: fixed notation with `decimals` digits after the user's decimal
// separator and no group separators, then trailing zeros taken off; a separator left at the end
// goes too. 0.0225 with 5 decimals gives "0.0225", 3 gives "3", 120.5 gives "120.5".
QString TrimmedFixedText(double value, int decimals, const QLocale& locale = QLocale());

} // namespace korvel
