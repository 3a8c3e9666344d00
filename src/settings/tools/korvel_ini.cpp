// korvel-ini <file> <section> <key> <value>
// Writes one text key into a settings file the way the program does: Windows-1251, the rest of
// the file kept byte for byte, the file replaced atomically. Arguments are UTF-8.
#include "settings/IniProfile.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: korvel-ini <file> <section> <key> <value>\n");
        return 2;
    }
    const QString path = QString::fromUtf8(argv[1]);
    const QString section = QString::fromUtf8(argv[2]);
    const QString key = QString::fromUtf8(argv[3]);
    const QString value = QString::fromUtf8(argv[4]);

    korvel::IniProfile ini;
    QString error;
    if (ini.loadFile(path, &error) == korvel::IniProfile::LoadStatus::Unreadable) {
        std::fprintf(stderr, "korvel-ini: cannot read %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    if (!ini.writeString(section, key, value)) {
        std::fprintf(stderr,
                     "korvel-ini: cannot store this section, key or value in a settings file\n");
        return 1;
    }
    if (ini.isModified() && !ini.saveFile(path, &error)) {
        std::fprintf(stderr, "korvel-ini: cannot write %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    return 0;
}
