#include "settings/AppPaths.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>

namespace korvel {

QString AppPaths::executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString AppPaths::settingsFile()
{
    return SettingsStore::filePathForExecutable(QCoreApplication::applicationFilePath());
}

QString AppPaths::dialogFolder()
{
    return executableFolder();
}

QString AppPaths::backupFolder()
{
    return QDir(executableFolder()).filePath(QStringLiteral("backup"));
}

} // namespace korvel
