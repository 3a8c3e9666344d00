#include "memory/BackupFile.h"

#include "memory/ImageWriter.h"

#include <QDir>
#include <QFileInfo>

namespace korvel {

namespace {
const QString kSuffix = QStringLiteral(".EEPROM");
} // namespace

QString BackupFileName(const MemoryArea& area, const QDateTime& when)
{
    return area.name + QLatin1Char('-') + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
           kSuffix;
}

QString StoreBackup(const QString& folder, const MemoryArea& area, const QStringList& lines,
                    const QDateTime& when, QString& path)
{
    const QDir dir(folder);
    path = dir.filePath(BackupFileName(area, when));
    if (!dir.mkpath(QStringLiteral(".")))
        return QStringLiteral("папка не создаётся");
    for (int n = 2; QFileInfo::exists(path); ++n) {
        QString name = BackupFileName(area, when);
        name.insert(name.size() - kSuffix.size(), QLatin1Char('-') + QString::number(n));
        path = dir.filePath(name);
    }
    return SaveImageFile(path, lines);
}

} // namespace korvel
