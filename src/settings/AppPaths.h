#pragma once
#include <QString>

namespace korvel {

// The places one copy of the program uses, decided from where its executable lies.
struct AppPlaces
{
    // True for an installed copy: one that finds the data folder ../share/korvel beside the
    // folder of its executable.
    bool installed = false;
    QString executableFolder;
    QString settingsFile;
    // Where every file dialog starts.
    QString dialogFolder;
    // Where memory backups are written (created by whoever writes there first).
    QString backupFolder;
    // Where the copies of the indicators' output configuration are kept while the PC holds
    // their outputs (created on the first take-over).
    QString journalFolder;
};

// Where the program keeps its files.
//
// A copy run from its build folder or from a portable folder keeps everything beside its
// executable: the settings file named after it, the file dialogs starting there, the memory
// backups in its "backup" folder.
//
// An installed copy cannot write beside an executable in /usr/bin, and one system-wide file
// would mix the settings of every user of the PC. It keeps the settings in
// $XDG_CONFIG_HOME/korvel/korvel.ini (~/.config/korvel/korvel.ini), starts its file dialogs in
// the home folder and writes backups to $XDG_DATA_HOME/korvel/backup
// (~/.local/share/korvel/backup). The copies of taken-over output blocks go to the "journal"
// folder beside the backups. The folders are created on the first write, never on reading.
class AppPaths
{
public:
    static QString executableFolder();
    static QString settingsFile();
    static QString dialogFolder();
    static QString backupFolder();
    static QString journalFolder();
    static bool installed();

    // The places of the running executable.
    static AppPlaces current();
    // The places of the copy whose executable is at `executablePath`. The XDG folders are read
    // from the environment at each call.
    static AppPlaces forExecutable(const QString& executablePath);

    // The data folder an installed copy finds, relative to the folder of its executable.
    static constexpr const char* kDataFolderFromBin = "../share/korvel";
};

} // namespace korvel
