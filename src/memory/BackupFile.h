#pragma once
// The copy of an area taken right before it is overwritten: an ordinary image file in the
// backup folder, named after the area and the moment it was read.
#include "memory/MemoryArea.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace korvel {

// "EEPROM-2026-12-10_14-03-55.EEPROM"
QString BackupFileName(const MemoryArea& area, const QDateTime& when);

// Stores the image lines as a new file in `folder` (created when missing); a second backup
// within the same second gets "-2", "-3", ... rather than replacing the first. On success
// `path` names the file and the result is empty; otherwise the result says why and `path`
// names the file that could not be written.
QString StoreBackup(const QString& folder, const MemoryArea& area, const QStringList& lines,
                    const QDateTime& when, QString& path);

} // namespace korvel
