#pragma once
// SkinnedWindow: the behaviour every borderless, shaped window of the program
// shares, attached to the window as a helper object (it is a child of the
// window and dies with it).
//
//   * outline (FrameRgn) and the uncovering shape per RevealStep, from a
//     SkinProfile; each applied step sets the window mask to their intersection;
//   * the reveal animation (timer) and the closing animation (timer, or run
//     inside the close request); a close is refused until the closing animation
//     has run (CloseAllowed); a close arriving during the reveal stops the reveal
//     and shrinks from where the reveal had got to;
//   * dragging by background controls (DragActive);
//   * placement over the registered main window, kept on the screen;
//   * the hidden focus sink ButtonPusto;
//   * image buttons (close, minimize) and resetting their hover pictures;
//   * RestoreShapedWindow / EnterFramedWindow for the framed chart view.
//
// Typical use in a window's constructor:
//
//     skin_ = new SkinnedWindow(this, SkinProfile::settingsDialog(paProperties->height()));
//     skin_->setFocusSink(SkinnedWindow::makeFocusSink(this));   // ButtonPusto
//     skin_->addDragSource(paProperties);
//     skin_->addImageButton(CloseImage);
//     skin_->addHoverResetSource(paProperties);
//     connect(skin_, &SkinnedWindow::revealFinished, this, [] { /* end-of-reveal work */ });
//     connect(CloseImage, &ImageButton::clicked, this, &QWidget::close);
//
// and in showEvent():  skin_->placeOverMainWindow(); skin_->takeFocus(); skin_->startReveal();
// (the main window calls startReveal() at creation and placeOnScreen() when shown).
//
// Closing: by default the helper filters the window's close requests: the first
// one is refused and starts the closing animation; at its end CloseAllowed is
// set and close() is called again, which then reaches the window's own
// closeEvent(). A window that must do work before the animation (the main
// window) calls setInterceptsClose(false) and in its closeEvent():
//
//     if (skin_->closeAllowed()) { event->accept(); return; }   // animation done
//     ... shutdown work ...
//     skin_->startClosing();
//     event->setAccepted(skin_->closeAllowed());
//
// With a timer profile the close is refused there and requested again when the
// animation ends. With a synchronous profile (closeIntervalMs == 0, transfer
// dialog, popup) the animation runs inside startClosing(), so the same request
// is accepted.
#include "SkinProfile.h"

#include <QAbstractButton>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QVector>

class QCloseEvent;
class QPushButton;
class QTimer;
class QWidget;

namespace korvel {

class ImageButton;

class SkinnedWindow : public QObject
{
    Q_OBJECT
public:
    SkinnedWindow(QWidget* window, SkinProfile profile);

    QWidget* window() const { return window_; }
    const SkinProfile& profile() const { return profile_; }

    // The main window, over which dialogs and the message popup are placed.
    // Until one is registered they are placed over the screen.
    static void setMainWindow(QWidget* mainWindow);
    static QWidget* mainWindow();

    // --- shape and animations ---------------------------------------------
    // FrameRgn from the window's current size, RevealStep = start value, apply
    // the first region, start the reveal timer.
    void startReveal();
    // Apply the region of the current RevealStep (view shape & FrameRgn).
    void applyStep();
    // One tick of each animation; the timers call them, tests may too.
    void revealTick();
    void closeTick();

    int revealStep() const { return revealStep_; }
    void setRevealStep(int step) { revealStep_ = step; }
    SkinShape frameShape() const { return frameShape_; }
    // The region last applied (empty means nothing of the window is shown).
    QRegion region() const { return region_; }
    bool isRevealing() const;
    bool isClosing() const { return closing_; }
    bool closeAllowed() const { return closeAllowed_; }
    QTimer* revealTimer() const { return revealTimer_; }
    QTimer* closeTimer() const { return closeTimer_; }

    // --- closing ------------------------------------------------------------
    void setInterceptsClose(bool on) { interceptsClose_ = on; }
    // Start the closing animation (once; later calls do nothing). Stops a
    // running reveal first.
    void startClosing();

    // --- framed chart view (main window) ------------------------------------
    // Leave the maximized state, hide panelToHide, return to the minimum size,
    // remove the border and apply the region of the current RevealStep.
    void RestoreShapedWindow(QWidget* panelToHide);
    // The counterpart: a sizeable border and no window region at all.
    void EnterFramedWindow();

    // --- dragging -------------------------------------------------------------
    // Left press on a drag source starts a drag; the window follows the
    // pointer; any release ends it. Other buttons never start a drag.
    void addDragSource(QWidget* control);
    // For handlers that decide themselves whether a press drags (the main
    // window's keypad): positions are in the pressed control's coordinates.
    void dragPress(QPoint pos, Qt::MouseButton button);
    void dragMove(QPoint pos);
    void dragRelease();
    bool dragActive() const { return dragActive_; }

    // --- placement ------------------------------------------------------------
    void placeOverMainWindow(); // dialogs, popup
    void placeOnScreen();       // the main window itself

    // --- focus sink -------------------------------------------------------------
    // A button named ButtonPusto that can hold the focus without showing it.
    static QPushButton* makeFocusSink(QWidget* parent);
    void setFocusSink(QAbstractButton* sink);
    QAbstractButton* focusSink() const;
    // Shrink the sink to 0 x 0 and give it the keyboard focus.
    void takeFocus();

    // --- image buttons ----------------------------------------------------------
    void addImageButton(ImageButton* button);
    // Mouse moves over these controls put every hovered button back to normal.
    void addHoverResetSource(QWidget* control);
    // The mouse leaving the window does the same (main window).
    void setResetButtonsOnLeave(bool on) { resetOnLeave_ = on; }
    void resetImageButtons();

signals:
    void revealFinished();
    // The closing animation has ended; close() is requested next.
    void closeFinished();
    void stepApplied(int step, const QRegion& region);
    // The window was moved by a drag step.
    void dragged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runClosingLoop();
    void finishClosing();

    QWidget* window_;
    SkinProfile profile_;
    SkinShape frameShape_;
    QRegion region_;
    int revealStep_ = 0;
    bool closing_ = false;
    bool closeAllowed_ = false;
    bool interceptsClose_ = true;
    bool dragActive_ = false;
    QPoint pressPoint_;
    bool resetOnLeave_ = false;
    QTimer* revealTimer_;
    QTimer* closeTimer_;
    QPointer<QAbstractButton> focusSink_;
    QVector<QPointer<QWidget>> dragSources_;
    QVector<QPointer<QWidget>> hoverResetSources_;
    QVector<QPointer<ImageButton>> imageButtons_;
};

} // namespace korvel
