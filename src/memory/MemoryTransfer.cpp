#include "memory/MemoryTransfer.h"

#include "link/Link.h"
#include "memory/TransferDialog.h"
#include "panel/PanelView.h"
#include "panel/PollCycle.h"
#include "settings/AppPaths.h"
#include "settings/SettingsValues.h"
#include "ui/ComPortUi.h"

#include <QWidget>

namespace korvel {

MemoryTransfer::MemoryTransfer(Link& link, const Uperemen& settings, PollCycle& poll,
                               PanelView& view, QObject* parent)
    : QObject(parent), link_(link), settings_(settings), poll_(poll), view_(view)
{
    chooseFile = [this](ImageFileDialog& d) { return d.Execute(mainWindow_); };
    openPort = [this](int ms) { return OpenComPort(link_.port(), settings_, ms); };
    backupFolder = AppPaths::backupFolder();
    SaveDialog1.InitialDir = AppPaths::dialogFolder();
    OpenDialog1.InitialDir = AppPaths::dialogFolder();
}

TFormReadWriteEEPROM* MemoryTransfer::dialog() const
{
    return dialog_.data();
}

void MemoryTransfer::setMode(TransferMode mode)
{
    const bool wasActive = transferActive();
    MemoryTransferMode = mode;
    if (wasActive != transferActive())
        emit transferActiveChanged(transferActive());
}

void MemoryTransfer::StartMemoryTransfer(TransferMode direction, const MemoryArea& area,
                                         bool writeAllBytes)
{
    if (transferActive() || direction == TransferMode::Idle)
        return;
    ImageFileDialog& files = direction == TransferMode::Reading ? SaveDialog1 : OpenDialog1;
    if (!chooseFile || !chooseFile(files))
        return;
    // A read would store the PC's zeros at the outputs' offsets, and a write would be undone
    // there by a later release.
    if (handOutputsBack && !handOutputsBack())
        return;

    poll_.suspendPolling();
    setMode(direction);
    if (link_.port().state() != PortState::NeverOpened)
        link_.port().close();
    if (!openPort || !openPort(kTransferReadTimeoutMs)) {
        setMode(TransferMode::Idle); // the commands work again
        pollWithoutPort();
        return;
    }

    // This transfer closes the strip and gives it back itself.
    ioPanelOwed_ = false;
    if (closeIoPanel)
        closeIoPanel();
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    MemoryAreaName = area.name;
    TransferJob job;
    job.mode = direction;
    job.area = MemoryArea::fromName(MemoryAreaName);
    job.fileName = &files.FileName;
    job.backupFolder = backupFolder;
    job.writeAllBytes = writeAllBytes;
    // No parent: a child of the disabled main window would be disabled with it.
    dialog_ = new TFormReadWriteEEPROM(link_, job);
    connect(dialog_, &TFormReadWriteEEPROM::closed, this, &MemoryTransfer::EndMemoryTransfer);
    dialog_->show();
}

void MemoryTransfer::pollWithoutPort()
{
    // A poll that ran goes on without the port: it waits for a pulled-out adapter, or shows
    // the port state and tries the port quietly until it opens. One that was off stays off.
    if (poll_.PollWasEnabled)
        poll_.enablePolling();
    else
        view_.ShowPortNotOpen(settings_.CommName);
}

void MemoryTransfer::EndMemoryTransfer()
{
    if (!transferActive())
        return;
    setMode(TransferMode::Idle);
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    if (link_.port().deviceLost()) {
        // The adapter went away during the transfer, which has said so. The poll reopens
        // the port quietly once it is back, instead of a port message now.
        pollWithoutPort();
        if (openIoPanelIfWanted)
            openIoPanelIfWanted();
        return;
    }
    // The port is back on the user's read time-out before the poll may tick on it.
    link_.port().close();
    const bool open = openPort && openPort(settings_.ReadTotalTimeoutConstant);
    if (!open) {
        // A strip on a closed port could do nothing; it comes back with the port
        // (portReopened), when the poll that tries the port opens it.
        ioPanelOwed_ = true;
        pollWithoutPort();
        return;
    }
    if (poll_.PollWasEnabled)
        poll_.enablePolling();
    else
        poll_.disablePolling();
    if (openIoPanelIfWanted)
        openIoPanelIfWanted();
}

void MemoryTransfer::portReopened()
{
    if (!ioPanelOwed_)
        return;
    ioPanelOwed_ = false;
    if (openIoPanelIfWanted)
        openIoPanelIfWanted();
}

} // namespace korvel
