#pragma once
// TFormReadWriteEEPROM: the small borderless, always-on-top window of one memory transfer. It
// slides into view from the top, then runs the transfer inside one timer handler, showing a
// caption, a percentage and one or two progress bars, and offers Cancel. However the transfer
// ends, the window slides down out of view and emits closed(), upon which the link is handed
// back.
//
// The moves on the link are MemoryTransferEngine's; the window shows its progress, lets
// pending events run at its checkpoints (so Cancel is seen there) and says how it ended. A
// read fills the target file only after every page has come: a failed or cancelled read
// leaves it as it was. A write never sends anything wrong: the whole source file is parsed and
// checked here first, before the engine backs the area up and writes it.
#include "device/Indicator.h"
#include "memory/ImageParser.h"
#include "memory/MemoryArea.h"
#include "memory/MemoryMessages.h"
#include "memory/MemoryTransferEngine.h"
#include "settings/SettingsMessages.h"

#include <QSize>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

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

class TFormReadWriteEEPROM : public QWidget, private MemoryTransferProgress
{
    Q_OBJECT
public:
    using Outcome = TransferOutcome;

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
    const QStringList& MemoEEPROMMemory() const { return engine_.lines(); }
    bool CancelRequested() const { return engine_.cancelRequested(); }
    int FirstPage() const { return job_.area.firstPage; }
    int EndPage() const { return job_.area.endPage; }

    Outcome outcome() const { return outcome_; }
    // The backup of a write, once stored.
    QString backupPath() const { return backupPath_; }
    // A write's bytes the indicator acknowledged, each counted once.
    int bytesWritten() const { return engine_.bytesWritten(); }
    // Acknowledged writes of a byte that had been written before (the rewrite of what did
    // not take).
    int bytesRewritten() const { return engine_.bytesRewritten(); }

signals:
    // The transfer has ended (outcome() says how); the window closes next.
    void transferEnded();
    // The closing animation has run; the link may be handed back.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi();
    void TimerBeginReadWriteTimer();
    void btnCancelClick();
    void runRead();
    void runWrite();
    // Loads, parses and checks the source; finishes the dialog itself when it cannot go on.
    std::optional<ParsedImage> prepareImage();
    // Lets pending events run (Cancel among them); true when a cancel has been asked for.
    bool cancelRequestedNow();
    void showProgress(const QString& text);
    void message(const PopupMessage& m);
    void clearFileName();
    void finish(Outcome outcome);
    std::uint8_t address() const;

    // MemoryTransferProgress: the engine's progress on the labels and bars.
    void stageBegins(TransferStage stage, const QString& caption) override;
    void pageBegins(int page, const QString& text) override;
    void byteBegins(int offset) override;
    void progressText(const QString& text) override;
    void allPagesDone() override;
    void checkpoint() override;

    Indicator indicator_;
    TransferJob job_;
    MemoryTransferEngine engine_;
    QFrame* paReadWriteEEPROM_ = nullptr;
    QLabel* laReadWriteEEPROM_ = nullptr;
    QLabel* laZagruzka_ = nullptr;
    QProgressBar* ReadWriteProgressBar_ = nullptr;
    QProgressBar* WriteSubProgressBar_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QPushButton* ButtonPusto_ = nullptr;
    QTimer* TimerBeginReadWrite_ = nullptr;
    SkinnedWindow* skin_ = nullptr;
    Outcome outcome_ = Outcome::Running;
    QString backupPath_;
    bool closeRequested_ = false;
    bool closing_ = false;
};

} // namespace korvel
