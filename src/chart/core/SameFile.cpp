#include "chart/core/SameFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace korvel {

namespace {

#ifdef Q_OS_WIN
struct Identity
{
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const Identity&) const = default;
};

bool identityOf(const QString& path, Identity& id)
{
    // No access asked and every sharing allowed: a file another program (or our recording)
    // holds open is still reached. The backup flag lets a folder be opened too.
    const HANDLE h =
        CreateFileW(reinterpret_cast<const wchar_t*>(QFileInfo(path).absoluteFilePath().utf16()), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (ok)
        id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ok;
}
#else
struct Identity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

bool identityOf(const QString& path, Identity& id)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}
#endif

} // namespace

bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    Identity first, second;
    return identityOf(a, first) && identityOf(b, second) && first == second;
}

} // namespace korvel
