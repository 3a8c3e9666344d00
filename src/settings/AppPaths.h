#pragma once
#include <QString>

namespace korvel {

// Where the program keeps its files. A copy run from its build folder or from a portable
// folder keeps everything beside its executable: the settings file named after it, the file
// dialogs starting there, the memory backups in its "backup" folder.
class AppPaths
{
public:
    static QString executableFolder();
    // The settings file (executable path less ".exe", plus ".ini").
    static QString settingsFile();
    // The folder every file dialog starts in.
    static QString dialogFolder();
    // The folder memory backups are written to (created by whoever writes there first).
    static QString backupFolder();
};

} // namespace korvel
