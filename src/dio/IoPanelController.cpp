#include "dio/IoPanelController.h"

#include "dio/IoPanel.h"
#include "panel/PollCycle.h"
#include "settings/SettingsValues.h"
#include "ui/SkinnedWindow.h"

#include <QCheckBox>

#include <utility>

namespace korvel {

IoPanelController::IoPanelController(Link& link, const Uperemen& settings, PollCycle& poll,
                                     QWidget* mainWindow)
    : QObject(mainWindow), control(link, poll, state), poll_(poll), main_(mainWindow)
{
    poll_.hooks.PanelInOutOpen = [this] { return state.PanelInOutOpen; };
    poll_.hooks.UpdateInOutImages = [this](std::uint8_t in, std::uint8_t out) {
        UpdateInOutImages(in, out);
    };
    poll_.hooks.clearOutputsTakenOver = [this] { state.OutputsTakenOver = false; };
    control.portName = [&settings] { return settings.CommName; };
    // An indicator whose block a journal holds gets it back first thing when it is connected
    // (start-up, a replugged adapter, new settings), and when it turns up at the poll later
    // (switched on after the program, another address).
    poll_.hooks.portOpened = [this] { restoreJournalled(nullptr); };
    poll_.hooks.identified = [this](const std::uint8_t* ident) { restoreJournalled(ident); };
}

void IoPanelController::restoreJournalled(const std::uint8_t* ident)
{
    const std::optional<OutputJournalEntry> restored = control.restoreJournalled(ident);
    if (restored && outputsRestored)
        outputsRestored(*restored);
}

bool IoPanelController::leaveOutputsToJournal()
{
    if (!control.leaveToJournal())
        return false;
    if (window_)
        window_->showReleased();
    return true;
}

void IoPanelController::open()
{
    if (window_ && (window_->skin().isClosing() || window_->skin().closeAllowed())) {
        // Two strips must never be up at once: the old one still counts as open until its
        // roll-up ends.
        reopenWhenClosed_ = true;
        return;
    }
    if (!window_)
        create();
}

void IoPanelController::create()
{
    window_ = new TFormCyfrInOut(state, control, poll_, main_);
    TFormCyfrInOut* w = window_;
    w->mouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint p) {
        if (mouseDown)
            mouseDown(b, m, p);
    };
    w->mouseMove = [this](QPoint p) {
        if (mouseMove)
            mouseMove(p);
    };
    w->mouseUp = [this] {
        if (mouseUp)
            mouseUp();
    };
    w->keyDown = [this](int key, Qt::KeyboardModifiers m) {
        if (keyDown)
            keyDown(key, m);
    };
    // QWidget emits destroyed from inside its own destructor: the reopen waits until the old
    // strip is gone entirely (window_ has let go of it by then).
    connect(
        w, &QObject::destroyed, this,
        [this] {
            if (reopenWhenClosed_) {
                reopenWhenClosed_ = false;
                open();
            }
        },
        Qt::QueuedConnection);
    // Not if the box was ticked again above and that take-over failed into a popup during
    // which the strip was closed.
    if (window_)
        w->show();
}

void IoPanelController::close()
{
    reopenWhenClosed_ = false;
    if (window_ && window_->CheckBoxCyfrOut()->isChecked())
        window_->CheckBoxCyfrOut()->setChecked(false); // the strip's own release
    else if (control.handBackOwed())
        control.setTakenOver(false); // no strip, or a take-over cut off half-way
    if (window_)
        window_->close();
}

OutputFailure IoPanelController::handOutputsBack()
{
    if (!control.handBackOwed())
        return OutputFailure::None;
    // The caller says why it needs the outputs back, in one popup of its own.
    const auto show = std::exchange(control.showMessage, nullptr);
    if (window_ && window_->CheckBoxCyfrOut()->isChecked())
        window_->CheckBoxCyfrOut()->setChecked(false); // turned back on a failure
    else
        control.setTakenOver(false);
    control.showMessage = show;
    return control.handBackOwed() ? control.lastFailure() : OutputFailure::None;
}

void IoPanelController::UpdateInOutImages(std::uint8_t inputs, std::uint8_t outputs)
{
    if (window_)
        window_->UpdateInOutImages(inputs, outputs);
}

void IoPanelController::setTransferLock(bool locked)
{
    control.setLocked(locked);
    if (window_)
        window_->setTransferLock(locked);
}

} // namespace korvel
