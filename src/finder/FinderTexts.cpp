#include "finder/FinderTexts.h"

#include "finder/IndicatorSearch.h"
#include "finder/ProbePlan.h"

namespace korvel::FinderTexts {

QString progress(const QString& port, int baud, int address)
{
    return QStringLiteral("%1, %2 бит/с, адрес %3").arg(port).arg(baud).arg(address);
}

QString resultRow(const FoundIndicator& found)
{
    return QStringLiteral("%1, %2 бит/с, адрес %3, KORVEL %4, № %5")
        .arg(QString::fromStdString(found.port))
        .arg(found.baud)
        .arg(found.address)
        .arg(found.model, 2, 10, QLatin1Char('0'))
        .arg(QString::fromStdString(found.serial));
}

QString unopenedNote(PortOpenStatus status)
{
    switch (status) {
    case PortOpenStatus::Busy:
        return QStringLiteral(" — порт занят");
    case PortOpenStatus::AccessDenied:
        return QStringLiteral(" — нет прав доступа");
    case PortOpenStatus::NotFound:
        return QStringLiteral(" — нет в системе");
    default:
        return QStringLiteral(" — не открывается");
    }
}

QString nothingFound(const QStringList& ports)
{
    return QStringLiteral("Прибор не найден.\nПорты: %1,\nскорости 2400..115200 бит/с,\nадреса %2..%3.")
        .arg(ports.join(QStringLiteral(", ")))
        .arg(ProbePlan::kFirstAddress)
        .arg(ProbePlan::kLastAddress);
}

} // namespace korvel::FinderTexts
