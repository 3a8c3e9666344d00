#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace korvel {

CommandLine::Action CommandLine::parse(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return Action::PrintHelp;
        if (a == QLatin1String("--version"))
            return Action::PrintVersion;
    }
    return Action::Start;
}

QString CommandLine::versionText()
{
    return QStringLiteral("korvel " KORVEL_VERSION "\n");
}

QString CommandLine::helpText(const AppPlaces& places)
{
    const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };
    return QStringLiteral(
               "Usage: korvel [--help | --version]\n"
               "\n"
               "Shows a KORVEL 1.X - 3.X weighing indicator connected to a serial port on a\n"
               "picture of its face: its displays and lamps live, its keys under the mouse, the\n"
               "weight chart, memory backups and the digital inputs and outputs. Without options\n"
               "it opens its window; a second start brings the running window to the front.\n"
               "\n"
               "Settings file: %1\n"
               "  (Windows-1251 INI text, created by the first save)\n"
               "File dialogs start in: %2\n"
               "Memory backups go to:  %3\n"
               "\n"
               "Choosing the port: right-click the picture of the indicator, choose\n"
               "\"Настройки\" and pick the port. Or write it into the settings file:\n"
               "key \"COM-порт\" in the section \"Параметры COM-порта\". COM1 is\n"
               "/dev/ttyS0, COM2 /dev/ttyS1, ...; other names are device names (ttyUSB0,\n"
               "ttyACM0) or full paths (/dev/serial/by-id/...). Your user needs access to\n"
               "the port, on most systems as a member of the group \"dialout\".\n"
               "\n"
               "Without an indicator: korvel-sim --link /tmp/korvel-sim starts a simulated one\n"
               "on a pseudo-terminal; write /tmp/korvel-sim into the settings file as the port.\n"
               "korvel-sim --help tells more.\n"
               "\n"
               "Options:\n"
               "  -h, --help   show this text and exit\n"
               "  --version    show the version and exit\n")
        .arg(native(places.settingsFile), native(places.dialogFolder), native(places.backupFolder));
}

std::optional<int> CommandLine::run(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Action action = parse(arguments);
    if (action == Action::Start)
        return std::nullopt;

    // Enough of an application to know its own path, and no window system.
    QCoreApplication app(argc, argv);
    const QString text =
        action == Action::PrintVersion ? versionText() : helpText(AppPaths::current());
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace korvel
