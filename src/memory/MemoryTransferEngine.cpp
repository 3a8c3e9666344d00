#include "memory/MemoryTransferEngine.h"

#include "device/Indicator.h"
#include "link/DeviceMap.h"
#include "memory/BackupFile.h"
#include "memory/ImageWriter.h"
#include "memory/TransferTexts.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <iterator>

namespace korvel {

namespace {

constexpr int kPauseMs = 10;    // after a page select, and after every byte written
constexpr int kCheckEvery = 16; // bytes written between two looks at the cancel flag

} // namespace

MemoryTransferEngine::MemoryTransferEngine(Indicator& indicator, MemoryArea area,
                                           MemoryTransferProgress& progress)
    : indicator_(indicator), area_(std::move(area)), progress_(progress)
{
}

bool MemoryTransferEngine::cancelRequestedNow()
{
    progress_.checkpoint();
    return cancelRequested_;
}

std::vector<int> MemoryTransferEngine::areaPages() const
{
    std::vector<int> pages;
    for (int page = area_.firstPage; page < area_.endPage; ++page)
        pages.push_back(page);
    return pages;
}

MemoryTransferEngine::Step MemoryTransferEngine::readPages(const std::vector<int>& pages,
                                                           std::vector<std::uint8_t>& bytes,
                                                           bool asText)
{
    bytes.resize(static_cast<std::size_t>(area_.bytes()));
    for (const int page : pages) {
        progress_.pageBegins(page, PageProgressText(area_, page, 0));
        if (!indicator_.selectPage(page))
            return Step::LinkFailed;
        if (cancelRequestedNow())
            return Step::Cancelled;
        indicator_.clock().sleepMs(kPauseMs);
        std::array<std::uint8_t, MEM_PAGE_SIZE> pageBytes{};
        if (!indicator_.readPage(pageBytes))
            return Step::LinkFailed;
        const std::uint8_t* data = pageBytes.data();
        std::copy(data, data + MEM_PAGE_SIZE,
                  bytes.begin() + static_cast<long>(page - area_.firstPage) * MEM_PAGE_SIZE);
        if (asText)
            lines_ << FormatImagePage(data);
    }
    return Step::Done;
}

MemoryTransferEngine::Step MemoryTransferEngine::read()
{
    progress_.stageBegins(TransferStage::Reading, ReadCaption(area_));
    lines_.clear();
    return readPages(areaPages(), areaBytes_, true);
}

WriteResult MemoryTransferEngine::write(const std::vector<std::uint8_t>& image,
                                        const QString& backupFolder, bool allBytes)
{
    WriteResult backup;
    progress_.stageBegins(TransferStage::Backup, ReadCaption(area_));
    lines_.clear();
    switch (readPages(areaPages(), areaBytes_, true)) {
    case Step::LinkFailed:
        backup.outcome = TransferOutcome::LinkFailed;
        return backup;
    case Step::Cancelled:
        backup.outcome = TransferOutcome::Cancelled;
        return backup;
    case Step::Done:
        break;
    }
    backup.backupError = StoreBackup(backupFolder, area_, lines_, QDateTime::currentDateTime(),
                                     backup.backupPath);
    if (!backup.backupError.isEmpty()) {
        backup.outcome = TransferOutcome::NotSaved;
        return backup;
    }
    // A Cancel asked for while the backup's last page was read or while the file was stored
    // has not been looked at yet. Nothing has been written so far: the write must not begin,
    // or the indicator would keep a changed byte and no end-of-write command.
    if (cancelRequestedNow()) {
        backup.outcome = TransferOutcome::Cancelled;
        return backup;
    }

    const auto withBackup = [&backup](WriteResult result) {
        result.backupPath = backup.backupPath;
        return result;
    };
    acked_.assign(static_cast<std::size_t>(area_.bytes()), false);
    written_ = 0;
    rewritten_ = 0;
    const std::vector<ByteDiff> toWrite = BytesToWrite(area_, image, areaBytes_, allBytes);
    if (toWrite.empty()) {
        // The backup just read is the area as it stands: it equals the image, which is all a
        // read-back could show, so no byte goes out. The end of a write still does: an earlier
        // write of this image may have sent every byte and missed its end, and only this
        // command makes the indicator take the content into use.
        progress_.allPagesDone();
        return withBackup(endWrite(WriteEnd::NothingToWrite, TransferOutcome::Completed));
    }
    // Not every byte has gone out: no end-of-write command, or the indicator would take a
    // half-written image into use. The next write of the file sends what is missing.
    switch (writeBytes(toWrite)) {
    case Step::LinkFailed:
        return withBackup(endWrite(WriteEnd::LinkFailed, TransferOutcome::LinkFailed));
    case Step::Cancelled:
        return withBackup(endWrite(WriteEnd::Cancelled, TransferOutcome::Cancelled));
    case Step::Done:
        break;
    }

    // From here every byte of the image has been acknowledged, so however the rest goes the
    // write ends with the end-of-write command (endWrite sends it). The bytes are in the
    // indicator's memory as soon as each write is acknowledged, so they are read back first:
    // the indicator then takes into use the content that was checked, rewrites included.
    const auto cutShort = [&](Step step) {
        return withBackup(step == Step::Cancelled
                              ? endWrite(WriteEnd::VerifyCancelled, TransferOutcome::Cancelled)
                              : endWrite(WriteEnd::VerifyLinkFailed, TransferOutcome::LinkFailed));
    };
    std::vector<int> pages = areaPages();
    std::vector<ByteDiff> left;
    for (int pass = 0; pass < 2; ++pass) {
        if (const Step step = verifyPages(pages, image, left); step != Step::Done)
            return cutShort(step);
        if (left.empty() || pass == 1)
            break;
        // What did not take is written once more, and only its pages are read again. A
        // rewrite cut short ends like a read-back cut short: every byte went out once.
        if (const Step step = writeBytes(left); step != Step::Done)
            return cutShort(step);
        pages = PagesOf(left);
    }
    progress_.stageBegins(TransferStage::Finished, WriteCaption(area_));
    progress_.progressText(WriteFinishedText(area_));
    progress_.allPagesDone();
    // Sent even when bytes still differ: they have been written like the others, and the
    // message names them and the backup.
    const bool verified = left.empty();
    return withBackup(endWrite(WriteEnd::Completed,
                               verified ? TransferOutcome::Completed : TransferOutcome::NotVerified,
                               std::move(left)));
}

MemoryTransferEngine::Step MemoryTransferEngine::writeBytes(const std::vector<ByteDiff>& bytes)
{
    progress_.stageBegins(TransferStage::Writing, WriteCaption(area_));
    auto next = bytes.begin(); // in page and offset order
    for (int page = area_.firstPage; page < area_.endPage; ++page) {
        progress_.pageBegins(page, PageProgressText(area_, page, 0));
        if (next == bytes.end() || next->page != page)
            continue; // nothing to change here: not even a page select
        if (!indicator_.selectPage(page))
            return Step::LinkFailed;
        indicator_.clock().sleepMs(kPauseMs);
        // The flag is looked at on the first byte of a page and every 16 bytes after it: for
        // a whole page, at the offsets that are multiples of 16.
        for (int sent = 0; next != bytes.end() && next->page == page; ++next, ++sent) {
            progress_.byteBegins(next->offset);
            if (!indicator_.writeMemoryByte(static_cast<std::uint8_t>(next->offset), next->wanted))
                return Step::LinkFailed;
            countAcknowledged(*next);
            if (sent % kCheckEvery == 0) {
                const bool cancel = cancelRequestedNow();
                progress_.progressText(PageProgressText(area_, page, next->offset));
                // After the last byte there is nothing left to stop: the read-back that
                // follows sees the Cancel at its first page, and the write is ended.
                if (cancel && std::next(next) != bytes.end())
                    return Step::Cancelled;
            }
            indicator_.clock().sleepMs(kPauseMs);
        }
    }
    return Step::Done;
}

void MemoryTransferEngine::countAcknowledged(const ByteDiff& byte)
{
    const auto at = static_cast<std::size_t>(byte.page - area_.firstPage) * MEM_PAGE_SIZE +
                    static_cast<std::size_t>(byte.offset);
    if (at < acked_.size() && acked_[at]) {
        ++rewritten_;
        return;
    }
    if (at < acked_.size())
        acked_[at] = true;
    ++written_;
}

MemoryTransferEngine::Step MemoryTransferEngine::verifyPages(const std::vector<int>& pages,
                                                             const std::vector<std::uint8_t>& image,
                                                             std::vector<ByteDiff>& left)
{
    progress_.stageBegins(TransferStage::Verifying, VerifyCaption());
    std::vector<std::uint8_t> readBack = image;
    const Step step = readPages(pages, readBack, false);
    left = step == Step::Done ? Mismatches(area_, pages, image, readBack) : std::vector<ByteDiff>{};
    return step;
}

WriteResult MemoryTransferEngine::endWrite(WriteEnd end, TransferOutcome outcome,
                                           std::vector<ByteDiff> left)
{
    WriteResult result;
    result.summarised = true;
    result.summary = WriteSummary{end, written_, std::move(left)};
    result.summary.rewritten = rewritten_;
    // Tried whatever went wrong just before: a read-back that failed on the link may have met
    // a passing disturbance, and a command never sent leaves the indicator without the new
    // content in use.
    if (WriteEndsWithCommand(end) && !indicator_.endWrite()) {
        result.summary.writeDoneLost = true;
        if (outcome == TransferOutcome::Completed || outcome == TransferOutcome::NotVerified)
            outcome = TransferOutcome::LinkFailed;
    }
    result.outcome = outcome;
    return result;
}

} // namespace korvel
