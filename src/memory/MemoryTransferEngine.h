#pragma once
// MemoryTransferEngine: the moves of one memory transfer between the indicator and the program,
// without a window. A read brings every page of an area in, as bytes and as image lines. A
// write of a checked image first reads the area and stores it as a backup, then sends only
// the bytes that differ from it (or all of them), reads the area back, writes once more what
// did not take and reads those pages again; once every byte has gone out (or none had to),
// it always ends with the end-of-write command, whatever happens to the read-back.
//
// Whoever shows the transfer (the transfer dialog) hears of each stage, page and byte through
// MemoryTransferProgress, and may stop it with requestCancel(). The flag is looked at only at
// fixed points, each right after a checkpoint() call: after a page select, after the first
// byte of a page and every 16th byte after it, and once between the backup and the first byte.
// A window lets its pending events run (Cancel among them) in checkpoint().
#include "memory/ImageDiff.h"
#include "memory/MemoryArea.h"
#include "memory/WriteSummary.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace korvel {

class Indicator;

// How a transfer ended. Running until it has; the dialog's own ends (a source that went away,
// a refused image, a read's file not saved) are here too, so one value says how any ended.
enum class TransferOutcome {
    Running,
    Completed,
    Cancelled,
    LinkFailed,
    SourceMissing, // the source file went away after it was chosen: closes silently
    Refused,       // the source is not an image of this area; nothing was sent
    NotSaved,      // a file (the read's target, the backup) could not be written
    NotVerified,   // written to the end, but the read-back still differs from the image
};

// The parts of a transfer, each announced before its first page.
enum class TransferStage {
    Reading,   // a read's pages
    Backup,    // a write's backup: the area read before anything is written
    Writing,   // bytes sent (the first time, or the rewrite of what did not take)
    Verifying, // the read-back
    Finished,  // a write's pages are done and checked; the end of write follows
};

// What the engine reports as it goes. Every call comes from inside read() or write().
class MemoryTransferProgress
{
public:
    virtual ~MemoryTransferProgress() = default;
    // A stage begins under its caption ("Запись данных в EEPROM"); a read's caption is the
    // window's own and is given as well.
    virtual void stageBegins(TransferStage stage, const QString& caption) = 0;
    // A page comes next (about to be selected, or passed over by a write that has nothing to
    // change there), with "37,5% (Page = 03h)".
    virtual void pageBegins(int page, const QString& text) = 0;
    // A byte is about to be written at `offset` of the page last begun.
    virtual void byteBegins(int offset) = 0;
    // The progress text anew: while bytes are written, at the looks between them, and after
    // the last page of a write ("100% (Page = 07h)").
    virtual void progressText(const QString& text) = 0;
    // Every page there was to do is done.
    virtual void allPagesDone() = 0;
    // The engine is about to look at its cancel flag.
    virtual void checkpoint() = 0;
};

// How a write ended and what its end message needs.
struct WriteResult
{
    TransferOutcome outcome = TransferOutcome::Running;
    // Set once the write got past its backup: the end message's content. Absent when it
    // stopped before (the backup not read, not stored, or Cancel), with nothing written.
    bool summarised = false;
    WriteSummary summary;
    // The backup stored; with outcome NotSaved, the file that could not be written, and why.
    QString backupPath;
    QString backupError;
};

class MemoryTransferEngine
{
public:
    enum class Step { Done, Cancelled, LinkFailed };

    // `indicator` and `progress` must outlive the engine.
    MemoryTransferEngine(Indicator& indicator, MemoryArea area, MemoryTransferProgress& progress);

    const MemoryArea& area() const { return area_; }

    // Asks the transfer to stop at its next look at the flag.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelRequested() const { return cancelRequested_; }

    // Reads every page of the area: bytes() and lines() hold it once Done.
    Step read();
    // The area as the last read (or a write's backup) found it, its first page first.
    const std::vector<std::uint8_t>& bytes() const { return areaBytes_; }
    // The same as the image file's lines.
    const QStringList& lines() const { return lines_; }

    // Writes `image` (the area's bytes, first page first, already checked): backup into
    // `backupFolder`, then the bytes that differ from it or every byte with `allBytes`, the
    // read-back, one rewrite, the end of write.
    WriteResult write(const std::vector<std::uint8_t>& image, const QString& backupFolder,
                      bool allBytes);

    // A write's bytes the indicator acknowledged, each counted once, and acknowledged writes of
    // a byte written before (the rewrite of what did not take).
    int bytesWritten() const { return written_; }
    int bytesRewritten() const { return rewritten_; }

private:
    // Reads the given pages (absolute numbers, ascending) into `bytes`, which holds the whole
    // area; the lines get their text when `asText` is set.
    Step readPages(const std::vector<int>& pages, std::vector<std::uint8_t>& bytes, bool asText);
    std::vector<int> areaPages() const;
    Step writeBytes(const std::vector<ByteDiff>& bytes);
    // Reads the pages back and puts what differs from the image into `left`.
    Step verifyPages(const std::vector<int>& pages, const std::vector<std::uint8_t>& image,
                     std::vector<ByteDiff>& left);
    void countAcknowledged(const ByteDiff& byte);
    // The end-of-write command when `end` calls for it; the result's outcome and summary.
    WriteResult endWrite(WriteEnd end, TransferOutcome outcome, std::vector<ByteDiff> left = {});
    // The checkpoint, then the flag.
    bool cancelRequestedNow();

    Indicator& indicator_;
    MemoryArea area_;
    MemoryTransferProgress& progress_;
    std::vector<std::uint8_t> areaBytes_;
    QStringList lines_;
    std::vector<bool> acked_; // per byte of the area: acknowledged at least once
    int written_ = 0;
    int rewritten_ = 0;
    bool cancelRequested_ = false;
};

} // namespace korvel
