#pragma once
// The four service commands that copy a whole memory area of the indicator into an image file
// (read) or such a file back into the area (write). A command asks for the file, takes the
// link over from the poll, reopens the port with the long read time-out pages need, disables
// the main window and opens the transfer dialog, which moves the pages. When the dialog has
// closed, EndMemoryTransfer hands everything back.
#include "memory/ImageFileDialog.h"
#include "memory/MemoryArea.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace korvel {

class Link;
class PanelView;
class PollCycle;
class TFormReadWriteEEPROM;
struct Uperemen;

class MemoryTransfer : public QObject
{
    Q_OBJECT
public:
    // The read time-out while pages move: a 256-byte page takes far longer than a register.
    static constexpr int kTransferReadTimeoutMs = 2000;

    MemoryTransfer(Link& link, const Uperemen& settings, PollCycle& poll, PanelView& view,
                   QObject* parent = nullptr);

    // The window that takes no input while a transfer runs.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    // Runs a file dialog; false when the user cancelled it. By default the dialog itself.
    std::function<bool(ImageFileDialog&)> chooseFile;
    // Opens the user's port with the given read time-out, reporting its own failures; by
    // default OpenComPort. The port is closed when this is called.
    std::function<bool(int readTimeoutMs)> openPort;

    // Page 1 holds the configuration of the digital outputs. Before a transfer the outputs go
    // back to the indicator (false: they did not, the popup has said so, nothing starts);
    // once the port is the transfer's the strip is closed, and opened again at the end if
    // the settings ask for it.
    std::function<bool()> handOutputsBack;
    std::function<void()> closeIoPanel;
    std::function<void()> openIoPanelIfWanted;

    // Where a write stores the area's previous content (the program's backup folder).
    QString backupFolder;

    ImageFileDialog SaveDialog1{ImageFileDialog::Kind::Save};
    ImageFileDialog OpenDialog1{ImageFileDialog::Kind::Open};

    TransferMode MemoryTransferMode = TransferMode::Idle;
    QString MemoryAreaName;

    bool transferActive() const { return MemoryTransferMode != TransferMode::Idle; }
    // The dialog of the transfer that runs, if one does.
    TFormReadWriteEEPROM* dialog() const;

    // The handlers of the four menu entries.
    void NReadEEPROMClick() { StartMemoryTransfer(TransferMode::Reading, MemoryArea::eeprom()); }
    // A write sends only the bytes that differ from the indicator's content, or every byte of
    // the area with `allBytes`.
    void NWriteEEPROMClick(bool allBytes = false)
    {
        StartMemoryTransfer(TransferMode::Writing, MemoryArea::eeprom(), allBytes);
    }
    void NReadFMClick() { StartMemoryTransfer(TransferMode::Reading, MemoryArea::fm()); }
    void NWriteFMClick(bool allBytes = false)
    {
        StartMemoryTransfer(TransferMode::Writing, MemoryArea::fm(), allBytes);
    }

    // Does nothing while a transfer runs or when the file dialog is cancelled.
    void StartMemoryTransfer(TransferMode direction, const MemoryArea& area,
                             bool writeAllBytes = false);
    // Run when the transfer dialog has closed.
    void EndMemoryTransfer();
    // The poll has opened the port again after it would not reopen at the end of a
    // transfer: the I/O strip the transfer closed comes back now, if the settings ask for it.
    // Meant for the poll's `reopened` hook; does nothing when no strip is owed.
    void portReopened();

signals:
    // True from the moment a command takes the link over until it has handed it back. Other
    // windows that talk to the indicator on their own (the digital I/O panel) keep their
    // controls off the link meanwhile.
    void transferActiveChanged(bool active);

private:
    void setMode(TransferMode mode);
    // The port would not open (or its adapter was pulled out): polling as it was before.
    void pollWithoutPort();

    Link& link_;
    const Uperemen& settings_;
    PollCycle& poll_;
    PanelView& view_;
    QPointer<QWidget> mainWindow_;
    QPointer<TFormReadWriteEEPROM> dialog_;
    // The strip was closed for a transfer and not opened again, the port being shut.
    bool ioPanelOwed_ = false;
};

} // namespace korvel
