#include "SkinnedWindow.h"

#include "ImageButton.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace korvel {

namespace {
QPointer<QWidget>& registeredMainWindow()
{
    static QPointer<QWidget> main;
    return main;
}

// A window mask must never be empty: Qt reads an empty mask as "no mask" and
// would show the whole window. A single pixel outside the window shows nothing.
const QRegion kNothingShown(-1, -1, 1, 1);
} // namespace

SkinnedWindow::SkinnedWindow(QWidget* window, SkinProfile profile)
    : QObject(window), window_(window), profile_(std::move(profile)),
      revealTimer_(new QTimer(this)), closeTimer_(new QTimer(this))
{
    revealTimer_->setObjectName(profile_.revealTimerName);
    revealTimer_->setInterval(profile_.revealIntervalMs);
    connect(revealTimer_, &QTimer::timeout, this, &SkinnedWindow::revealTick);
    closeTimer_->setObjectName(profile_.closeTimerName);
    closeTimer_->setInterval(profile_.closeIntervalMs);
    connect(closeTimer_, &QTimer::timeout, this, &SkinnedWindow::closeTick);
    frameShape_ = profile_.frame(window_->size());
    window_->installEventFilter(this);
}

void SkinnedWindow::setMainWindow(QWidget* mainWindow)
{
    registeredMainWindow() = mainWindow;
}

QWidget* SkinnedWindow::mainWindow()
{
    return registeredMainWindow().data();
}

// --- shape and animations ---------------------------------------------------

void SkinnedWindow::startReveal()
{
    const QSize size = window_->size();
    frameShape_ = profile_.frame(size);
    revealStep_ = profile_.startStep(size);
    closing_ = false;
    closeAllowed_ = false;
    applyStep();
    revealTimer_->start();
}

void SkinnedWindow::applyStep()
{
    region_ = profile_.view(revealStep_, window_->size()).region() & frameShape_.region();
    window_->setMask(region_.isEmpty() ? kNothingShown : region_);
    window_->update();
    emit stepApplied(revealStep_, region_);
}

bool SkinnedWindow::isRevealing() const
{
    return revealTimer_->isActive();
}

void SkinnedWindow::revealTick()
{
    if (closing_) { // the close has taken over RevealStep
        revealTimer_->stop();
        return;
    }
    revealStep_ += profile_.revealDelta;
    const bool done = profile_.revealDone(revealStep_, window_->size());
    if (done) {
        revealTimer_->stop();
        if (profile_.revealEndStep)
            revealStep_ = *profile_.revealEndStep;
    }
    applyStep();
    if (profile_.revealPumpsEvents) {
        QPointer<SkinnedWindow> self(this);
        QCoreApplication::processEvents();
        if (!self)
            return;
    }
    // A close that came in while events were pumped cancels the end-of-reveal
    // work: a closing window must not, say, open the port.
    if (done && !closing_)
        emit revealFinished();
}

void SkinnedWindow::startClosing()
{
    if (closing_ || closeAllowed_)
        return;
    closing_ = true;
    revealTimer_->stop();
    if (profile_.closeIntervalMs > 0)
        closeTimer_->start();
    else
        runClosingLoop();
}

void SkinnedWindow::closeTick()
{
    if (revealStep_ <= profile_.closeEndStep(window_->size())) {
        closeTimer_->stop();
        finishClosing();
        window_->close();
        return;
    }
    applyStep();
    revealStep_ -= profile_.closeDelta;
    if (profile_.closePumpsEvents)
        QCoreApplication::processEvents();
}

void SkinnedWindow::runClosingLoop()
{
    QPointer<SkinnedWindow> self(this);
    while (revealStep_ > profile_.closeEndStep(window_->size())) {
        applyStep();
        if (profile_.closeWaitMs > 0)
            QThread::msleep(static_cast<unsigned long>(profile_.closeWaitMs));
        if (profile_.closePumpsEvents) {
            QCoreApplication::processEvents();
            if (!self)
                return;
        }
        revealStep_ -= profile_.closeDelta;
    }
    finishClosing();
}

void SkinnedWindow::finishClosing()
{
    closing_ = false;
    closeAllowed_ = true;
    emit closeFinished();
}

// --- framed chart view ------------------------------------------------------

void SkinnedWindow::RestoreShapedWindow(QWidget* panelToHide)
{
    if (window_->isMaximized())
        window_->showNormal();
    if (panelToHide)
        panelToHide->hide();
    window_->resize(window_->minimumSize());
    if (!window_->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        window_->setWindowFlag(Qt::FramelessWindowHint, true);
        window_->show(); // changing the flags hides a top-level window
    }
    applyStep();
}

void SkinnedWindow::EnterFramedWindow()
{
    window_->setWindowFlag(Qt::FramelessWindowHint, false);
    window_->clearMask();
    window_->show();
    // The native window can keep the shape it had before the flags changed (xcb does); the
    // framed view has none.
    if (QWindow* native = window_->windowHandle())
        native->setMask(QRegion());
    region_ = QRegion(window_->rect());
}

// --- dragging -----------------------------------------------------------------

void SkinnedWindow::addDragSource(QWidget* control)
{
    dragSources_.append(control);
    control->installEventFilter(this);
}

void SkinnedWindow::dragPress(QPoint pos, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    pressPoint_ = pos;
    dragActive_ = true;
}

void SkinnedWindow::dragMove(QPoint pos)
{
    if (!dragActive_)
        return;
    // The pressed control moves with the window, so keeping the press point
    // under the pointer is a move by the pointer's offset from it.
    window_->move(window_->pos() + (pos - pressPoint_));
    emit dragged();
}

void SkinnedWindow::dragRelease()
{
    dragActive_ = false;
}

// --- placement ------------------------------------------------------------------

void SkinnedWindow::placeOverMainWindow()
{
    QWidget* main = mainWindow();
    if (main == window_)
        main = nullptr;
    QScreen* screen = main ? main->screen() : window_->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect screenRect = screen->geometry();
    const QRect over = main ? main->frameGeometry() : screenRect;
    window_->move(PlaceOverWindow(over, window_->size(), screenRect));
}

void SkinnedWindow::placeOnScreen()
{
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window_->move(PlaceOnScreen(window_->size(), screen->geometry()));
}

// --- focus sink -----------------------------------------------------------------

QPushButton* SkinnedWindow::makeFocusSink(QWidget* parent)
{
    auto* sink = new QPushButton(parent);
    sink->setObjectName(QStringLiteral("ButtonPusto"));
    // Neither default nor auto-default: Enter on it must not click anything,
    // and a dialog must not promote it (or any other button) to default.
    sink->setAutoDefault(false);
    sink->setDefault(false);
    sink->setFocusPolicy(Qt::StrongFocus);
    sink->setGeometry(0, 0, 0, 0);
    return sink;
}

void SkinnedWindow::setFocusSink(QAbstractButton* sink)
{
    focusSink_ = sink;
}

QAbstractButton* SkinnedWindow::focusSink() const
{
    return focusSink_.data();
}

void SkinnedWindow::takeFocus()
{
    if (!focusSink_)
        return;
    focusSink_->resize(0, 0);
    focusSink_->setFocus(Qt::OtherFocusReason);
}

// --- image buttons ----------------------------------------------------------------

void SkinnedWindow::addImageButton(ImageButton* button)
{
    imageButtons_.append(button);
    connect(button, &ImageButton::hoverTaken, this, [this, button] {
        for (const auto& other : imageButtons_)
            if (other && other != button && other->hoverFlag())
                other->resetHover();
    });
}

void SkinnedWindow::addHoverResetSource(QWidget* control)
{
    hoverResetSources_.append(control);
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

void SkinnedWindow::resetImageButtons()
{
    for (const auto& button : imageButtons_)
        if (button && button->hoverFlag())
            button->resetHover();
}

// --- events -----------------------------------------------------------------------

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool isDragSource = widget && dragSources_.contains(widget);
    switch (event->type()) {
    case QEvent::Close:
        if (watched != window_ || !interceptsClose_ || closeAllowed_)
            return false;
        event->ignore();
        startClosing();
        if (closeAllowed_) { // ran to its end inside this request
            event->accept();
            return false;
        }
        return true;
    case QEvent::Leave:
        if (watched == window_ && resetOnLeave_)
            resetImageButtons();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (isDragSource) {
            auto* me = static_cast<QMouseEvent*>(event);
            dragPress(me->position().toPoint(), me->button());
            // Keep a left press from also reaching a parent drag source in
            // other coordinates; leave other buttons to context menus.
            return me->button() == Qt::LeftButton;
        }
        return false;
    case QEvent::MouseMove:
        if (widget && hoverResetSources_.contains(widget))
            resetImageButtons();
        if (isDragSource && dragActive_) {
            dragMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (isDragSource)
            dragRelease();
        return false;
    default:
        return false;
    }
}

} // namespace korvel
