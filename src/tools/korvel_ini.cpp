// korvel-ini <file> <section> <key> <value>
// Writes one text key into a settings file the way the program does: Windows-1251, the rest of
// the file kept byte for byte, the file replaced atomically. Arguments are UTF-8.
//
// korvel-ini --get <file> <name>
// Prints the value the program would use for one of its settings (CommName, BaudRate,
// AdrPribor): what the file says, or the default where it says nothing usable. Scripts start
// the simulated indicator at the address and baud rate the program will use.
#include "settings/ChartControls.h"
#include "settings/IniProfile.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValues.h"

#include <QString>
#include <cstdio>

namespace {

int printValue(const QString& path, const QString& name)
{
    // The program takes an unreadable file for defaults; a script is better told.
    korvel::IniProfile probe;
    QString error;
    if (probe.loadFile(path, &error) == korvel::IniProfile::LoadStatus::Unreadable) {
        std::fprintf(stderr, "korvel-ini: cannot read %s: %s\n", qPrintable(path),
                     qPrintable(error));
        return 1;
    }
    korvel::Uperemen values;
    korvel::ChartControls controls;
    korvel::SettingsStore(path).LoadSettings(values, controls);
    QString value;
    if (name == QLatin1String("CommName"))
        value = values.CommName;
    else if (name == QLatin1String("BaudRate"))
        value = QString::number(values.BaudRate);
    else if (name == QLatin1String("AdrPribor"))
        value = QString::number(values.AdrPribor);
    else {
        std::fprintf(stderr, "korvel-ini: no setting %s (CommName, BaudRate, AdrPribor)\n",
                     qPrintable(name));
        return 2;
    }
    std::printf("%s\n", value.toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && QString::fromUtf8(argv[1]) == QLatin1String("--get"))
        return printValue(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]));
    if (argc != 5) {
        std::fprintf(stderr, "usage: korvel-ini <file> <section> <key> <value>\n"
                             "       korvel-ini --get <file> CommName|BaudRate|AdrPribor\n");
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
