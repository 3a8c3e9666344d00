#include "settings/ReplaceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvel {

bool ReplaceFile(const QString& path, const std::function<bool(QIODevice&)>& write, QString* why,
                 const QString& whyWithoutDeviceError)
{
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!write(file)) {
        const bool deviceFailed = file.error() != QFileDevice::NoError;
        return fail(deviceFailed || whyWithoutDeviceError.isEmpty() ? file.errorString()
                                                                    : whyWithoutDeviceError);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

namespace {

// The bytes written so far reach the medium. Windows: the save file's commit flushes the
// file's buffers itself (FlushFileBuffers); its handle is no C descriptor to sync here.
bool syncData(QFileDevice& file)
{
    if (!file.flush())
        return false;
#ifndef Q_OS_WIN
    return ::fdatasync(file.handle()) == 0;
#else
    return true;
#endif
}

// The folder's entries reach the medium, so a rename into it survives a power cut. NTFS
// journals its renames; a folder cannot be flushed there like a file.
bool syncFolder(const QString& folder)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

} // namespace

bool ReplaceFileDurably(const QString& path, const std::function<bool(QIODevice&)>& write,
                        QString* why)
{
    const QString notSynced = QStringLiteral("данные не записаны на диск");
    const bool replaced = ReplaceFile(
        path,
        [&](QIODevice& device) {
            return write(device) && syncData(static_cast<QFileDevice&>(device));
        },
        why, notSynced);
    if (!replaced)
        return false;
    if (!syncFolder(QFileInfo(path).absolutePath())) {
        if (why)
            *why = notSynced;
        return false;
    }
    return true;
}

} // namespace korvel
