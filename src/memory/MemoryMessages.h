#pragma once
// What the message popup says when a memory transfer cannot go on, or how a write ended.
// Each text comes with the growth the popup needs for it.
#include "memory/ImageParser.h"
#include "memory/MemoryArea.h"
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

// How a write that got past its backup ended, naming the backup.
enum class WriteEnd { Completed, Cancelled, LinkFailed };
PopupMessage WriteEndMessage(WriteEnd end, const MemoryArea& area, const QString& backupPath);

} // namespace korvel
