#include "settings/AppPaths.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvel {

namespace {

const QString kFolderName = QStringLiteral("korvel");

// A per-user folder of the given kind, with "korvel" below it. The XDG rules ignore a
// variable that is not an absolute path; Qt would take it relative to the working folder, so
// such a value falls back to the default below the home folder here.
QString userFolder(QStandardPaths::StandardLocation kind, const QString& defaultBelowHome)
{
    QString base = QStandardPaths::writableLocation(kind);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::home().filePath(defaultBelowHome);
    return QDir::cleanPath(QDir(base).filePath(kFolderName));
}

} // namespace

AppPlaces AppPaths::forExecutable(const QString& executablePath)
{
    AppPlaces p;
    const QFileInfo exe(executablePath);
    p.executableFolder = exe.absolutePath();
    // Whether a folder is writable tells nothing (root can write anywhere); the layout does.
    p.installed =
        QFileInfo(QDir(p.executableFolder).filePath(QLatin1String(kDataFolderFromBin))).isDir();
    if (p.installed) {
        p.settingsFile =
            QDir(userFolder(QStandardPaths::GenericConfigLocation, QStringLiteral(".config")))
                .filePath(QStringLiteral("korvel.ini"));
        p.dialogFolder = QDir::homePath();
        const QDir data(
            userFolder(QStandardPaths::GenericDataLocation, QStringLiteral(".local/share")));
        p.backupFolder = data.filePath(QStringLiteral("backup"));
        p.journalFolder = data.filePath(QStringLiteral("journal"));
    } else {
        p.settingsFile = SettingsStore::filePathForExecutable(exe.absoluteFilePath());
        p.dialogFolder = p.executableFolder;
        p.backupFolder = QDir(p.executableFolder).filePath(QStringLiteral("backup"));
        p.journalFolder = QDir(p.executableFolder).filePath(QStringLiteral("journal"));
    }
    return p;
}

AppPlaces AppPaths::current()
{
    return forExecutable(QCoreApplication::applicationFilePath());
}

QString AppPaths::executableFolder()
{
    return current().executableFolder;
}

QString AppPaths::settingsFile()
{
    return current().settingsFile;
}

QString AppPaths::dialogFolder()
{
    return current().dialogFolder;
}

QString AppPaths::backupFolder()
{
    return current().backupFolder;
}

QString AppPaths::journalFolder()
{
    return current().journalFolder;
}

bool AppPaths::installed()
{
    return current().installed;
}

} // namespace korvel
