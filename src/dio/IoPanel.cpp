#include "dio/IoPanel.h"

#include "dio/LampRules.h"
#include "dio/OutputControl.h"
#include "panel/PollCycle.h"
#include "panel/SvgPicture.h"
#include "ui/SkinProfile.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace korvel {

namespace {

constexpr int kInputX[IO_INPUT_COUNT] = {14, 51, 88, 125, 162};
constexpr int kOutputX[IO_OUTPUT_COUNT] = {15, 50, 87, 124, 161, 198, 235, 272};
constexpr int kLampY = 17;
constexpr int kLampSize = 20;
constexpr int kHaloSize = 25;

const QString kPanelStyle = QStringLiteral(
    "#PanelCyfrInOut { background-color: rgb(93, 93, 93); }"
    "QGroupBox { color: rgb(235, 235, 235); border: 1px solid rgb(138, 138, 138);"
    " border-radius: 5px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 9px; }"
    "QLabel { color: rgb(220, 220, 220); }"
    "QCheckBox { background-color: rgb(96, 96, 96); color: rgb(235, 235, 235); }"
    "QCheckBox:disabled { color: rgb(150, 150, 150); }");

QLabel* lampCaption(int number, int lampX, QWidget* parent, int index)
{
    auto* label = new QLabel(QString::number(number), parent);
    label->setObjectName(QStringLiteral("Label%1").arg(index));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(SansFont(11));
    label->setGeometry(lampX - 4, kLampY + kLampSize + 1, kLampSize + 8, 14);
    return label;
}

} // namespace

TFormCyfrInOut::TFormCyfrInOut(CyfrInOutState& state, OutputControl& control, PollCycle& poll,
                               QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint), state_(state), control_(control),
      poll_(poll), main_(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setupUi();
    connectSignals();

    // FormCreate.
    dock();
    state_.PanelInOutOpen = true;
    showInputs(state_.LastInputs);
    showOutputs(state_.LastOutputs);
    setTransferLock(control_.locked());
    // A release that failed left the outputs with the PC: tick the box again, which takes
    // them over once more (clearing what a partial restore put back).
    if (state_.OutputsTakenOver)
        checkBox_->setChecked(true);
    skin_->startReveal();
}

TFormCyfrInOut::~TFormCyfrInOut() = default;

void TFormCyfrInOut::setupUi()
{
    setObjectName(QStringLiteral("FormCyfrInOut"));
    setWindowTitle(QStringLiteral("Цифровые Входы/Выходы"));
    resize(kDesignSize);

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("PanelCyfrInOut"));
    panel_->setAttribute(Qt::WA_StyledBackground);
    panel_->setGeometry(QRect(QPoint(0, 0), kDesignSize));
    panel_->setStyleSheet(kPanelStyle);

    groupInputs_ = new QGroupBox(QStringLiteral(" Цифровые входы "), panel_);
    groupInputs_->setObjectName(QStringLiteral("GroupBox1"));
    groupInputs_->setGeometry(28, 8, 197, 55);
    groupInputs_->setFont(SansFont(12));
    for (int i = 0; i < IO_INPUT_COUNT; ++i) {
        inputs_[i] = new SvgPicture(QStringLiteral("imInput%1").arg(i),
                                    QRect(kInputX[i], kLampY, kLampSize, kLampSize), groupInputs_);
        inputs_[i]->setAccessibleName(QStringLiteral("Цифровой вход %1").arg(i + 1));
        lampCaption(i + 1, kInputX[i], groupInputs_, i);
    }

    groupOutputs_ = new QGroupBox(QStringLiteral(" Цифровые выходы "), panel_);
    groupOutputs_->setObjectName(QStringLiteral("GroupBox2"));
    groupOutputs_->setGeometry(232, 8, 306, 55);
    groupOutputs_->setFont(SansFont(12));
    for (int i = 0; i < IO_OUTPUT_COUNT; ++i) {
        // The halo lies behind its lamp: created first, 2 pixels left and 3 up of it.
        halos_[i] =
            new SvgPicture(QStringLiteral("imOutput%1Oreol").arg(i),
                           QRect(kOutputX[i] - 2, kLampY - 3, kHaloSize, kHaloSize), groupOutputs_);
        halos_[i]->setPicture(ioHaloArt());
        halos_[i]->hide();
        outputs_[i] =
            new SvgPicture(QStringLiteral("imOutput%1").arg(i),
                           QRect(kOutputX[i], kLampY, kLampSize, kLampSize), groupOutputs_);
        // The lamps are the output switches; their captions are the output numbers.
        outputs_[i]->setAccessibleName(QString::number(i + 1));
        outputs_[i]->setAccessibleDescription(QStringLiteral("Цифровой выход %1").arg(i + 1));
        lampCaption(i + 1, kOutputX[i], groupOutputs_, 5 + i);
    }

    checkBox_ = new QCheckBox(QStringLiteral("Разрешить управление цифровыми выходами"), panel_);
    checkBox_->setObjectName(QStringLiteral("CheckBoxCyfrOut"));
    checkBox_->setGeometry(241, 66, 304, 17);
    checkBox_->setFont(SansFont(12));
    checkBox_->setFocusPolicy(Qt::NoFocus);
    checkBox_->setAutoFillBackground(true);

    buttonPusto_ = SkinnedWindow::makeFocusSink(panel_);

    skin_ = new SkinnedWindow(this, SkinProfile::ioPanel(panel_->height()));
    skin_->setFocusSink(buttonPusto_);

    timerOreol_.setObjectName(QStringLiteral("TimerOreol"));
    timerOreol_.setInterval(300);
    // Runs from creation; its first tick has only a halo to hide.
    timerOreol_.start();
}

void TFormCyfrInOut::connectSignals()
{
    connect(checkBox_, &QCheckBox::toggled, this, &TFormCyfrInOut::CheckBoxCyfrOutClick);
    connect(&timerOreol_, &QTimer::timeout, this, &TFormCyfrInOut::TimerOreolTimer);
    connect(skin_, &SkinnedWindow::revealFinished, this, &TFormCyfrInOut::onRevealFinished);

    for (QWidget* w :
         {panel_, static_cast<QWidget*>(groupInputs_), static_cast<QWidget*>(groupOutputs_)})
        w->installEventFilter(this);
    for (SvgPicture* lamp : outputs_)
        lamp->installEventFilter(this);
    buttonPusto_->installEventFilter(this);
    if (main_)
        main_->installEventFilter(this);
}

void TFormCyfrInOut::dock()
{
    if (!main_)
        return;
    setGeometry(main_->x(), main_->y() + kDockOffset, main_->width(), kDesignSize.height());
    panel_->resize(size());
}

void TFormCyfrInOut::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    dock(); // a window manager may have placed it elsewhere
    skin_->takeFocus();
}

void TFormCyfrInOut::onRevealFinished()
{
    // A feature that paused the poll while the strip was opening may rely on the strip to
    // bring it back.
    if (!poll_.pollingEnabled() && poll_.PollWasEnabled && !control_.locked())
        poll_.enablePolling();
}

void TFormCyfrInOut::closeEvent(QCloseEvent* event)
{
    // Reached only after the roll-up: the shaped-window helper refused the first request.
    state_.PanelInOutOpen = false;
    skin_->closeTimer()->stop();
    if (checkBox_->isChecked())
        checkBox_->setChecked(false); // hands the outputs back
    else if (control_.handBackOwed())
        control_.setTakenOver(false); // a take-over cut off half-way left the block changed
    event->accept();
}

// --- outputs ---------------------------------------------------------------------------

void TFormCyfrInOut::CheckBoxCyfrOutClick()
{
    buttonPusto_->setFocus(Qt::OtherFocusReason);
    if (IgnoreNextTakeOverClick) {
        IgnoreNextTakeOverClick = false;
        return;
    }
    const bool takeOver = checkBox_->isChecked();
    if (control_.setTakenOver(takeOver)) {
        setOutputsOperable(takeOver);
        return;
    }
    // Failure: the popup has been shown and the poll put back. Turn the tick back; that
    // change comes through here once more and does nothing.
    IgnoreNextTakeOverClick = true;
    checkBox_->setChecked(!takeOver);
}

void TFormCyfrInOut::showReleased()
{
    if (checkBox_->isChecked()) {
        IgnoreNextTakeOverClick = true;
        checkBox_->setChecked(false);
    }
    setOutputsOperable(false);
}

void TFormCyfrInOut::setOutputsOperable(bool on)
{
    outputsOperable_ = on;
    for (SvgPicture* lamp : outputs_) {
        if (on)
            lamp->setCursor(Qt::PointingHandCursor);
        else
            lamp->unsetCursor();
    }
}

void TFormCyfrInOut::outputMouseDown(int n)
{
    if (!outputsOperable_ || control_.locked())
        return;
    // One halo at a time: a quick press on another lamp takes it over.
    halos_[HaloIndex]->hide();
    halos_[n]->show();
    HaloIndex = n;
    timerOreol_.start();
}

void TFormCyfrInOut::TimerOreolTimer()
{
    halos_[HaloIndex]->hide();
    timerOreol_.stop();
}

// --- lamps -----------------------------------------------------------------------------

void TFormCyfrInOut::showInputs(std::uint8_t inputs)
{
    for (int i = 0; i < IO_INPUT_COUNT; ++i)
        inputs_[i]->setPicture(ioLampArt(inputLampPicture(inputs, i)));
}

void TFormCyfrInOut::showOutputs(std::uint8_t outputs)
{
    for (int i = 0; i < IO_OUTPUT_COUNT; ++i)
        outputs_[i]->setPicture(ioLampArt(outputLampPicture(outputs, i)));
}

void TFormCyfrInOut::UpdateInOutImages(std::uint8_t inputs, std::uint8_t outputs)
{
    inputs &= IO_INPUT_MASK;
    if (inputs != state_.LastInputs) {
        showInputs(inputs);
        state_.LastInputs = inputs;
    }
    if (outputs != state_.LastOutputs) {
        showOutputs(outputs);
        state_.LastOutputs = outputs;
    }
}

void TFormCyfrInOut::setTransferLock(bool locked)
{
    checkBox_->setEnabled(!locked);
    for (SvgPicture* lamp : outputs_)
        lamp->setEnabled(!locked);
}

// --- events ----------------------------------------------------------------------------

int TFormCyfrInOut::outputIndex(QObject* watched) const
{
    for (int i = 0; i < IO_OUTPUT_COUNT; ++i)
        if (outputs_[i] == watched)
            return i;
    return -1;
}

bool TFormCyfrInOut::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == main_) {
        if (type == QEvent::Move)
            dock();
        return false;
    }
    if (watched == buttonPusto_) {
        if (type != QEvent::KeyPress)
            return false;
        auto* e = static_cast<QKeyEvent*>(event);
        if (keyDown)
            keyDown(e->key(), e->modifiers());
        return true; // no key may click the hidden button or move the focus
    }
    if (const int n = outputIndex(watched); n >= 0) {
        // Every kind of event passes the lamps; only the mouse ones are cast.
        const auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // a quick second click is another click
            outputMouseDown(n);
            pressedOutput_ = mouse()->button() == Qt::LeftButton ? n : -1;
            return true;
        case QEvent::MouseButtonRelease: {
            const bool click = pressedOutput_ == n && mouse()->button() == Qt::LeftButton &&
                               outputs_[n]->rect().contains(mouse()->position().toPoint());
            pressedOutput_ = -1;
            if (click && outputsOperable_)
                control_.switchOutput(n);
            return true;
        }
        default:
            return false;
        }
    }
    // The background and both group boxes: the main window's face handlers.
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (mouseDown)
            mouseDown(e->button(), e->modifiers(), e->position().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        if (mouseMove)
            mouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        if (mouseUp)
            mouseUp();
        return true;
    default:
        return false;
    }
}

} // namespace korvel
