#include "chart/ChartFileSave.h"

#include "settings/ReplaceFile.h"

#include <QIODevice>

namespace korvel {

QString SaveChartFile(const QString& path, const ChartFileData& data, const QLocale& locale)
{
    QString why;
    ReplaceFile(
        path, [&](QIODevice& file) { return WriteChartFile(file, data, locale); }, &why);
    return why;
}

} // namespace korvel
