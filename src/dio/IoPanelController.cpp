#include "dio/IoPanelController.h"

#include "dio/IoPanel.h"
#include "panel/PollCycle.h"
#include "settings/SettingsValues.h"
#include "ui/SkinnedWindow.h"

#include <QCheckBox>

namespace korvel {

IoPanelController::IoPanelController(Link& link, const Uperemen& settings, PollCycle& poll,
                                     QWidget* mainWindow)
    : QObject(mainWindow), control(link, settings, poll, state), poll_(poll), main_(mainWindow)
{
    poll_.hooks.PanelInOutOpen = [this] { return state.PanelInOutOpen; };
    poll_.hooks.UpdateInOutImages = [this](std::uint8_t in, std::uint8_t out) {
        UpdateInOutImages(in, out);
    };
    poll_.hooks.clearOutputsTakenOver = [this] { state.OutputsTakenOver = false; };
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
    connect(w, &QObject::destroyed, this, [this] {
        if (reopenWhenClosed_) {
            reopenWhenClosed_ = false;
            open();
        }
    });
    // Not if the box was ticked again above and that take-over failed into a popup during
    // which the strip was closed.
    if (window_)
        w->show();
}

void IoPanelController::close()
{
    reopenWhenClosed_ = false;
    if (!window_)
        return;
    if (window_->CheckBoxCyfrOut()->isChecked())
        window_->CheckBoxCyfrOut()->setChecked(false);
    window_->close();
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
