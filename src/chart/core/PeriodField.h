#pragma once
#include <QLocale>
#include <QString>
#include <optional>

namespace korvel {

// The rules of the ADC period field (edPeriodACP): the interval, in ms, at which the indicator
// sends samples at Filter 1 = 0, as the user states it. Nothing here is sent to the indicator.
namespace PeriodField {

inline constexpr double kMax = 1000.0;

// What a typed character does: digits go in as typed, "." and "," become the user's decimal
// separator when the text has none yet, anything else is dropped. Keys without text (arrows,
// Delete, shortcuts) are not judged here.
struct Key
{
    bool accept = false;
    QString text; // what goes into the field when accepted
};
Key filterKey(const QString& typed, const QString& fieldText, const QLocale& locale = QLocale());

// The period a text stands for, when it is one the field accepts: a number above 0 and at
// most 1000 in the user's notation.
std::optional<double> value(const QString& text, const QLocale& locale = QLocale());

// Leaving the field: an empty text gets the start-up text back, a text that is no valid period
// keeps the focus in the field as typed, a valid one is rewritten with two decimals.
struct Exit
{
    bool keepFocus = false;
    QString text;
};
Exit onExit(const QString& text, const QString& startupText, const QLocale& locale = QLocale());

// The field's form of a period: two decimals with the user's separator ("7.50").
QString format(double periodMs, const QLocale& locale = QLocale());

} // namespace PeriodField

} // namespace korvel
