#pragma once
#include <QString>

namespace korvel {

// Texts of chart mode as the user sees them.
namespace ChartTexts {

inline QString dataFromDevice()
{
    return QStringLiteral("Данные на графике с прибора");
}
inline QString dataFromFile()
{
    return QStringLiteral("Данные на графике из файла");
}
inline QString pusk()
{
    return QStringLiteral("Пуск");
}
inline QString stop()
{
    return QStringLiteral("Стоп");
}
inline QString exit()
{
    return QStringLiteral("Выход");
}

} // namespace ChartTexts

} // namespace korvel
