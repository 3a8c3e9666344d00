#pragma once
// What the message popup says when a memory transfer cannot go on, or how a write ended.
// Each text comes with the growth the popup needs for it.
#include "memory/ImageDiff.h"
#include "memory/ImageParser.h"
#include "memory/MemoryArea.h"
#include "ui/MessagePopup.h"

#include <QString>

#include <vector>

namespace korvel {

// Why a parsed image is refused for `area`, or an empty text when it may be written.
// Refused: a text over the limit, a value that is not one or is over FF, fewer values than
// the area holds.
PopupMessage ImageRefusal(const ParsedImage& image, const MemoryArea& area);

PopupMessage SourceUnreadableMessage(const QString& path, const QString& why);
PopupMessage ImageNotSavedMessage(const QString& path, const QString& why);
PopupMessage BackupNotReadMessage();
PopupMessage BackupNotSavedMessage(const QString& path, const QString& why);

// How a write that got past its backup ended.
enum class WriteEnd {
    Completed,        // sent and read back; `left` says what still differs
    NothingToWrite,   // the indicator already held the image
    Cancelled,        // while bytes were being written
    LinkFailed,       // while bytes were being written
    VerifyCancelled,  // every byte was sent, the read-back or the rewrite was stopped
    VerifyLinkFailed, // every byte was sent, the read-back or the rewrite failed on the link
};

// Whether the write is ended with the end-of-write command: whenever every byte of the image
// has been acknowledged (or none had to be sent), not when the bytes were cut off half-way.
bool WriteEndsWithCommand(WriteEnd end);

struct WriteSummary
{
    WriteEnd end = WriteEnd::Completed;
    int written = 0; // bytes of the area the indicator acknowledged, each counted once
    // Bytes that still differed from the image after the rewrite (Completed only).
    std::vector<ByteDiff> left;
    int rewritten = 0; // acknowledged writes of a byte written before
    // The end-of-write command was due but the indicator did not acknowledge it.
    bool writeDoneLost = false;
};

// The popup at the end of a write: how it ended, how many bytes went out, what the read-back
// found, and the backup of the previous content.
PopupMessage WriteEndMessage(const WriteSummary& summary, const MemoryArea& area,
                             const QString& backupPath);

} // namespace korvel
