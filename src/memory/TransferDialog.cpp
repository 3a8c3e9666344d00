#include "memory/TransferDialog.h"

#include "link/DeviceMap.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryMessages.h"
#include "memory/TransferTexts.h"
#include "ui/MessagePopup.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace korvel {

namespace {

const QColor kPanelColour(83, 0, 83);

const QString kSegmentedBar = QStringLiteral(
    "QProgressBar { border: 1px solid rgb(120, 120, 120); background: rgb(230, 230, 230); }"
    "QProgressBar::chunk { background: rgb(6, 176, 37); width: 10px; margin: 1px; }");
const QString kSmoothBar = QStringLiteral(
    "QProgressBar { border: 1px solid rgb(120, 120, 120); background: rgb(230, 230, 230); }"
    "QProgressBar::chunk { background: rgb(6, 176, 37); }");

QLabel* makeLabel(QWidget* parent, const char* name, const QColor& colour, int fontPx)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(SansFont(fontPx));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

QProgressBar* makeBar(QWidget* parent, const char* name, bool smooth)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setTextVisible(false);
    bar->setStyleSheet(smooth ? kSmoothBar : kSegmentedBar);
    return bar;
}

} // namespace

TFormReadWriteEEPROM::TFormReadWriteEEPROM(Link& link, TransferJob job, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), indicator_(link),
      job_(std::move(job)), engine_(indicator_, job_.area, *this)
{
    setAttribute(Qt::WA_DeleteOnClose);
    showMessage = [this](const PopupMessage& m) {
        ShowFormMessage(m.text, m.extraWidth, m.okShift, m.extraHeight, this);
    };
    setupUi();

    skin_ = new SkinnedWindow(this, SkinProfile::transferDialog());
    // The close request is answered here: only the transfer itself may close the window.
    skin_->setInterceptsClose(false);
    skin_->setFocusSink(ButtonPusto_);
    connect(skin_, &SkinnedWindow::revealFinished, TimerBeginReadWrite_,
            qOverload<>(&QTimer::start));
    connect(TimerBeginReadWrite_, &QTimer::timeout, this,
            &TFormReadWriteEEPROM::TimerBeginReadWriteTimer);
    connect(btnCancel_, &QPushButton::clicked, this, &TFormReadWriteEEPROM::btnCancelClick);
    // Nothing is visible at the start value; the reveal runs from creation.
    skin_->startReveal();
}

void TFormReadWriteEEPROM::setupUi()
{
    setObjectName(QStringLiteral("FormReadWriteEEPROM"));
    const bool writing = job_.mode == TransferMode::Writing;
    const int shorter = writing ? 0 : kReadShorterBy;
    setFixedSize(kDesignSize.width(), kDesignSize.height() - shorter);

    paReadWriteEEPROM_ = new QFrame(this);
    paReadWriteEEPROM_->setObjectName(QStringLiteral("paReadWriteEEPROM"));
    paReadWriteEEPROM_->setGeometry(rect());
    paReadWriteEEPROM_->setAutoFillBackground(true);
    QPalette panel = paReadWriteEEPROM_->palette();
    panel.setColor(QPalette::Window, kPanelColour);
    paReadWriteEEPROM_->setPalette(panel);

    laReadWriteEEPROM_ = makeLabel(paReadWriteEEPROM_, "laReadWriteEEPROM", Qt::yellow, 11);
    laReadWriteEEPROM_->setGeometry(24, 13, 150, 14);
    // Right-aligned on the bar's right edge; it grows to the left, as the face's font is wider
    // than the one the layout was drawn with and "100,0% (Page = 7Fh)" must not be cut.
    laZagruzka_ = makeLabel(paReadWriteEEPROM_, "laZagruzka", QColor(0, 255, 0), 13);
    laZagruzka_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    laZagruzka_->setGeometry(174, 11, 313 - 174, 16);

    ReadWriteProgressBar_ =
        makeBar(paReadWriteEEPROM_, "ReadWriteProgressBar", job_.area.smoothBar);
    ReadWriteProgressBar_->setGeometry(22, 30, 291, 55);
    ReadWriteProgressBar_->setRange(job_.area.firstPage, job_.area.endPage);
    ReadWriteProgressBar_->setValue(job_.area.firstPage);

    WriteSubProgressBar_ = makeBar(paReadWriteEEPROM_, "WriteSubProgressBar", true);
    WriteSubProgressBar_->setGeometry(22, 95, 291, 15);
    WriteSubProgressBar_->setRange(0, MEM_PAGE_SIZE);
    WriteSubProgressBar_->setValue(0);
    WriteSubProgressBar_->setVisible(writing);

    btnCancel_ = new QPushButton(QStringLiteral("Отменить"), paReadWriteEEPROM_);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    btnCancel_->setFont(SansFont(11));
    btnCancel_->setAutoDefault(false);
    btnCancel_->setFocusPolicy(Qt::NoFocus);
    btnCancel_->setGeometry(131, 126 - shorter, 75, 25);

    ButtonPusto_ = SkinnedWindow::makeFocusSink(paReadWriteEEPROM_);

    TimerBeginReadWrite_ = new QTimer(this);
    TimerBeginReadWrite_->setObjectName(QStringLiteral("TimerBeginReadWrite"));
    TimerBeginReadWrite_->setInterval(1);
}

void TFormReadWriteEEPROM::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    skin_->placeOverMainWindow();
    laReadWriteEEPROM_->setText(job_.mode == TransferMode::Writing ? WriteCaption(job_.area)
                                                                   : ReadCaption(job_.area));
    skin_->takeFocus();
}

void TFormReadWriteEEPROM::TimerBeginReadWriteTimer()
{
    TimerBeginReadWrite_->stop();
    if (outcome_ != Outcome::Running)
        return;
    if (job_.mode == TransferMode::Writing)
        runWrite();
    else
        runRead();
}

void TFormReadWriteEEPROM::btnCancelClick()
{
    engine_.requestCancel();
    btnCancel_->setEnabled(false);
    skin_->takeFocus();
}

std::uint8_t TFormReadWriteEEPROM::address() const
{
    return indicator_.address();
}

bool TFormReadWriteEEPROM::cancelRequestedNow()
{
    QCoreApplication::processEvents();
    return engine_.cancelRequested();
}

void TFormReadWriteEEPROM::showProgress(const QString& text)
{
    laZagruzka_->setText(text);
    paReadWriteEEPROM_->repaint();
}

void TFormReadWriteEEPROM::message(const PopupMessage& m)
{
    if (showMessage)
        showMessage(m);
}

void TFormReadWriteEEPROM::clearFileName()
{
    if (job_.fileName)
        job_.fileName->clear();
}

void TFormReadWriteEEPROM::stageBegins(TransferStage stage, const QString& caption)
{
    switch (stage) {
    case TransferStage::Reading: // the window's caption already says it
        break;
    case TransferStage::Backup:
    case TransferStage::Finished:
        laReadWriteEEPROM_->setText(caption);
        break;
    case TransferStage::Writing:
        laZagruzka_->clear();
        laReadWriteEEPROM_->setText(caption);
        paReadWriteEEPROM_->repaint();
        WriteSubProgressBar_->setValue(0);
        WriteSubProgressBar_->show();
        break;
    case TransferStage::Verifying:
        laZagruzka_->clear();
        laReadWriteEEPROM_->setText(caption);
        WriteSubProgressBar_->setValue(0);
        paReadWriteEEPROM_->repaint();
        break;
    }
}

void TFormReadWriteEEPROM::pageBegins(int page, const QString& text)
{
    ReadWriteProgressBar_->setValue(page);
    showProgress(text);
}

void TFormReadWriteEEPROM::byteBegins(int offset)
{
    WriteSubProgressBar_->setValue(offset);
}

void TFormReadWriteEEPROM::progressText(const QString& text)
{
    showProgress(text);
}

void TFormReadWriteEEPROM::allPagesDone()
{
    ReadWriteProgressBar_->setValue(ReadWriteProgressBar_->maximum());
}

void TFormReadWriteEEPROM::checkpoint()
{
    // The transfer runs inside one timer handler: Cancel's click is delivered here.
    QCoreApplication::processEvents();
}

void TFormReadWriteEEPROM::runRead()
{
    switch (engine_.read()) {
    case MemoryTransferEngine::Step::LinkFailed:
        message(PopupMessage{TFormMessage::defaultText()});
        clearFileName();
        finish(Outcome::LinkFailed);
        return;
    case MemoryTransferEngine::Step::Cancelled:
        finish(Outcome::Cancelled);
        return;
    case MemoryTransferEngine::Step::Done:
        break;
    }
    const QString target = job_.fileName ? *job_.fileName : QString();
    if (const QString why = SaveImageFile(target, engine_.lines()); !why.isEmpty()) {
        // The name stays, so the next read offers the same file again.
        message(ImageNotSavedMessage(target, why));
        finish(Outcome::NotSaved);
        return;
    }
    clearFileName();
    ReadWriteProgressBar_->setValue(ReadWriteProgressBar_->maximum());
    finish(Outcome::Completed);
}

void TFormReadWriteEEPROM::runWrite()
{
    const std::optional<ParsedImage> image = prepareImage();
    if (!image)
        return;
    const WriteResult result = engine_.write(image->bytes, job_.backupFolder, job_.writeAllBytes);
    if (result.backupError.isEmpty())
        backupPath_ = result.backupPath;
    if (result.summarised)
        message(WriteEndMessage(result.summary, job_.area, backupPath_));
    else if (result.outcome == Outcome::LinkFailed)
        message(BackupNotReadMessage());
    else if (result.outcome == Outcome::NotSaved)
        message(BackupNotSavedMessage(result.backupPath, result.backupError));
    finish(result.outcome);
}

std::optional<ParsedImage> TFormReadWriteEEPROM::prepareImage()
{
    laReadWriteEEPROM_->setText(PrepareCaption());
    const QString source = job_.fileName ? *job_.fileName : QString();
    if (!QFileInfo::exists(source)) {
        finish(Outcome::SourceMissing);
        return std::nullopt;
    }
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        message(SourceUnreadableMessage(source, file.errorString()));
        clearFileName();
        finish(Outcome::Refused);
        return std::nullopt;
    }
    // One character more than the reader takes is enough to know a file is too long.
    const QByteArray text = file.read(IMAGE_TEXT_LIMIT + 1);
    file.close();
    clearFileName();

    ParsedImage image = ParseImageText(text, [this](qsizetype index, qsizetype length) {
        showProgress(PreparePercentText(index, length));
        return !cancelRequestedNow();
    });
    if (image.status == ParsedImage::Status::Cancelled) {
        finish(Outcome::Cancelled);
        return std::nullopt;
    }
    if (const PopupMessage refusal = ImageRefusal(image, job_.area); !refusal.text.isEmpty()) {
        message(refusal);
        finish(Outcome::Refused);
        return std::nullopt;
    }
    return image;
}

void TFormReadWriteEEPROM::finish(Outcome outcome)
{
    outcome_ = outcome;
    emit transferEnded();
    closeRequested_ = true;
    close();
}

void TFormReadWriteEEPROM::closeEvent(QCloseEvent* event)
{
    // A close from the window system while the transfer runs would cut it short anywhere,
    // even in the middle of a page; Cancel is the way out.
    if (!closeRequested_ || closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    skin_->startClosing(); // the sweep runs to its end inside this call
    emit closed();
    event->accept();
}

} // namespace korvel
