#pragma once
// The program's command line. Configuration lives in the settings file; the command line only
// answers the two questions users of launchers and terminals ask of any program, --version and
// --help, and ends. Every other argument is left to Qt (-platform, -display, ...), so korvel
// started without these two options behaves exactly as before.
#include "settings/AppPaths.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace korvel {

class CommandLine
{
public:
    enum class Action { Start, PrintVersion, PrintHelp };

    // The first of --help / -h / --version among the arguments (program name excluded) decides.
    static Action parse(const QStringList& arguments);

    static QString versionText();
    static QString helpText(const AppPlaces& places);

    // Answers --version or --help on standard output and returns the exit code, before any
    // window system is needed (a terminal without a display can ask); nothing when the
    // program is to start.
    static std::optional<int> run(int argc, char** argv);
};

} // namespace korvel
