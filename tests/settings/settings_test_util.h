#pragma once
#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringEncoder>
#include <sys/stat.h>

namespace korvel::test {

inline QByteArray cp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

inline QString fixture(const char* name)
{
    return QStringLiteral(KORVEL_TEST_FIXTURES "/") + QLatin1String(name);
}

// Identity of the file on disk: an atomic replace gives a new inode.
inline ino_t inodeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Sets the default locale for one test and restores the previous one.
class LocaleGuard
{
public:
    explicit LocaleGuard(const QString& name) : saved_(QLocale())
    {
        QLocale::setDefault(QLocale(name));
    }
    ~LocaleGuard() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

} // namespace korvel::test
