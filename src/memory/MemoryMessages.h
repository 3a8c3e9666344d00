#pragma once
// What the message popup says when a memory transfer cannot go on, or how a write ended.
// Each text comes with the growth the popup needs for it.
#include "memory/ImageDiff.h"
#include "memory/ImageParser.h"
#include "memory/MemoryArea.h"
#include "memory/WriteSummary.h"
#include "ui/MessagePopup.h"

#include <QString>

namespace korvel {

// Why a parsed image is refused for `area`, or an empty text when it may be written.
// Refused: a text over the limit, a value that is not one or is over FF, fewer values than
// the area holds.
PopupMessage ImageRefusal(const ParsedImage& image, const MemoryArea& area);

PopupMessage SourceUnreadableMessage(const QString& path, const QString& why);
PopupMessage ImageNotSavedMessage(const QString& path, const QString& why);
PopupMessage BackupNotReadMessage();
PopupMessage BackupNotSavedMessage(const QString& path, const QString& why);

// The popup at the end of a write: how it ended, how many bytes went out, what the read-back
// found, and the backup of the previous content.
PopupMessage WriteEndMessage(const WriteSummary& summary, const MemoryArea& area,
                             const QString& backupPath);

} // namespace korvel
