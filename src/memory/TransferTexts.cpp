#include "memory/TransferTexts.h"

#include "link/DeviceMap.h"

namespace korvel {

namespace {
QString pageSuffix(int page)
{
    const QString hex = QStringLiteral("%1").arg(page & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("% (Page = ") + hex + QStringLiteral("h)");
}
} // namespace

QString ReadCaption(const MemoryArea& area)
{
    return QStringLiteral("Чтение данных из ") + area.name;
}

QString WriteCaption(const MemoryArea& area)
{
    return QStringLiteral("Запись данных в ") + area.name;
}

QString PrepareCaption()
{
    return QStringLiteral("Подготовка данных");
}

QString VerifyCaption()
{
    return QStringLiteral("Проверка записи");
}

QString PageProgressText(const MemoryArea& area, int page, int offset, const QLocale& locale)
{
    const double done = (page - area.firstPage) + static_cast<double>(offset) / MEM_PAGE_SIZE;
    const double percent = 100.0 * done / area.pages();
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(percent, 'f', 1) + pageSuffix(page);
}

QString WriteFinishedText(const MemoryArea& area)
{
    return QStringLiteral("100") + pageSuffix(area.endPage - 1);
}

QString PreparePercentText(qsizetype index, qsizetype length)
{
    const qsizetype percent = length > 0 ? 100 * index / length : 0;
    return QString::number(percent) + QStringLiteral(" %");
}

} // namespace korvel
