#pragma once
// TFormReadWriteEEPROM: the small borderless, always-on-top window of one memory transfer. It
// slides into view from the top, then moves the pages between the indicator and a file inside
// one timer handler, showing a caption, a percentage and one or two progress bars, and offers
// Cancel. However the transfer ends, the window slides down out of view and emits closed(),
// upon which the link is handed back.
//
// A read fills the target file only after every page has come: a failed or cancelled read
// leaves it as it was. A write never sends anything wrong: the whole source file is parsed and
// checked first, and the area's present content is read and stored as a backup before the
// first byte is written. That backup also says which bytes differ from the image: only those
// are sent (or all of them, when the job says so). Then the area is read back and compared
// with the image; bytes that did not take are written once more and read back again, and the
// end message says what still differs. Once every byte has gone out (or none had to), the
// write always ends with the end-of-write command, whatever happens to the read-back.
#include "device/Indicator.h"
#include "memory/ImageDiff.h"
#include "memory/ImageParser.h"
#include "memory/MemoryMessages.h"
#include "memory/MemoryArea.h"
#include "settings/SettingsMessages.h"

#include <QSize>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace korvel {

class Link;
class SkinnedWindow;

// What one transfer is to do.
struct TransferJob
{
    TransferMode mode = TransferMode::Reading;
    MemoryArea area = MemoryArea::eeprom();
    // The file chosen, as the file dialog that chose it keeps it: the target of a read, the
    // source of a write. Cleared after a completed read or one that failed on the link (kept
    // after a cancelled one), and as soon as a write has loaded its source.
    QString* fileName = nullptr;
    // Writes: where the area's previous content is stored before it is overwritten.
    QString backupFolder;
    // Writes: send every byte of the area, not only those that differ from what the
    // indicator holds, for a memory whose content cannot be trusted.
    bool writeAllBytes = false;
};

class TFormReadWriteEEPROM : public QWidget
{
    Q_OBJECT
public:
    enum class Outcome {
        Running,
        Completed,
        Cancelled,
        LinkFailed,
        SourceMissing, // the source file went away after it was chosen: closes silently
        Refused,       // the source is not an image of this area; nothing was sent
        NotSaved,      // a file (the read's target, the backup) could not be written
        NotVerified,   // written to the end, but the read-back still differs from the image
    };

    static constexpr QSize kDesignSize{334, 173};
    // A read has no byte bar: its window is this much shorter, its Cancel this much higher.
    static constexpr int kReadShorterBy = 20;

    // The dialog deletes itself once closed. `job.fileName` must outlive it.
    TFormReadWriteEEPROM(Link& link, TransferJob job, QWidget* parent = nullptr);

    // Shows the message popup. By default it goes over the main window, above this one.
    std::function<void(const PopupMessage&)> showMessage;

    QFrame* paReadWriteEEPROM() const { return paReadWriteEEPROM_; }
    QLabel* laReadWriteEEPROM() const { return laReadWriteEEPROM_; }
    QLabel* laZagruzka() const { return laZagruzka_; }
    QProgressBar* ReadWriteProgressBar() const { return ReadWriteProgressBar_; }
    QProgressBar* WriteSubProgressBar() const { return WriteSubProgressBar_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QPushButton* ButtonPusto() const { return ButtonPusto_; }
    QTimer* TimerBeginReadWrite() const { return TimerBeginReadWrite_; }
    SkinnedWindow* skin() const { return skin_; }

    // The text buffer: the page lines of a read (or of a write's backup).
    const QStringList& MemoEEPROMMemory() const { return MemoEEPROMMemory_; }
    bool CancelRequested() const { return CancelRequested_; }
    int FirstPage() const { return job_.area.firstPage; }
    int EndPage() const { return job_.area.endPage; }

    Outcome outcome() const { return outcome_; }
    // The backup of a write, once stored.
    QString backupPath() const { return backupPath_; }
    // A write's bytes the indicator acknowledged, each counted once.
    int bytesWritten() const { return written_; }
    // Acknowledged writes of a byte that had been written before (the rewrite of what did
    // not take).
    int bytesRewritten() const { return rewritten_; }

signals:
    // The transfer has ended (outcome() says how); the window closes next.
    void transferEnded();
    // The closing animation has run; the link may be handed back.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Step { Done, Cancelled, LinkFailed };

    void setupUi();
    void TimerBeginReadWriteTimer();
    void btnCancelClick();
    void runRead();
    void runWrite();
    // Reads the given pages (absolute numbers, ascending) into `bytes`, which holds the whole
    // area; the text buffer gets their lines when `asText` is set.
    Step readPages(const std::vector<int>& pages, std::vector<std::uint8_t>& bytes, bool asText);
    Step readArea(); // every page into the text buffer and areaBytes_
    std::vector<int> areaPages() const;
    // A write's steps; each but the last finishes the dialog itself when it cannot go on.
    std::optional<ParsedImage> prepareImage(); // load, parse and check the source
    bool takeBackup();                         // read the area and store it
    Step writeBytes(const std::vector<ByteDiff>& bytes);
    // writeBytes, and the end of the transfer when it could not go on; false then.
    bool writeOrEnd(const std::vector<ByteDiff>& bytes);
    // The same for a step taken once every byte has gone out (the read-back, the rewrite).
    bool verifiedOrEnd(Step step);
    void countAcknowledged(const ByteDiff& byte);
    // CMD_WRITE_DONE; true when the indicator acknowledged it.
    bool sendWriteDone();
    // Reads the pages back and puts what differs from the image into `left`.
    Step verifyPages(const std::vector<int>& pages, const std::vector<std::uint8_t>& image,
                     std::vector<ByteDiff>& left);
    // The end-of-write command when `end` calls for it, then the end message.
    void endWrite(WriteEnd end, Outcome outcome, std::vector<ByteDiff> left = {});
    // Lets pending events run (Cancel among them); true when a cancel has been asked for.
    bool cancelRequestedNow();
    void showProgress(const QString& text);
    void message(const PopupMessage& m);
    void clearFileName();
    void finish(Outcome outcome);
    std::uint8_t address() const;

    Indicator indicator_;
    TransferJob job_;
    QFrame* paReadWriteEEPROM_ = nullptr;
    QLabel* laReadWriteEEPROM_ = nullptr;
    QLabel* laZagruzka_ = nullptr;
    QProgressBar* ReadWriteProgressBar_ = nullptr;
    QProgressBar* WriteSubProgressBar_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QPushButton* ButtonPusto_ = nullptr;
    QTimer* TimerBeginReadWrite_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
    QStringList MemoEEPROMMemory_;
    std::vector<std::uint8_t> areaBytes_; // the area as the last read found it
    std::vector<bool> acked_; // per byte of the area: acknowledged at least once
    int written_ = 0;
    int rewritten_ = 0;
    bool CancelRequested_ = false;
    Outcome outcome_ = Outcome::Running;
    QString backupPath_;
    bool closeRequested_ = false;
    bool closing_ = false;
};

} // namespace korvel
