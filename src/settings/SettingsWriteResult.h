#pragma once
#include <QString>
#include <utility>
#include <vector>

namespace korvel {

// The outcome of one save of the settings file. A failed save leaves the values in memory as
// they are; the caller shows settingsWriteFailedMessage(filePath).
struct SettingsWriteResult
{
    bool ok = true;
    QString filePath;
    QString errorString; // the system's reason, for diagnostics; not shown to the user
    // (section, key) of each key written, in the order written; empty when the file was left alone.
    std::vector<std::pair<QString, QString>> written;

    explicit operator bool() const { return ok; }
};

} // namespace korvel
