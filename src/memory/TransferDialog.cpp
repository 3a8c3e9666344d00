#include "memory/TransferDialog.h"

#include "link/DeviceMap.h"
#include "memory/BackupFile.h"
#include "memory/ImageParser.h"
#include "memory/ImageWriter.h"
#include "memory/MemoryMessages.h"
#include "memory/TransferTexts.h"
#include "ui/MessagePopup.h"
#include "ui/SkinnedWindow.h"
#include "ui/UiFonts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace korvel {

namespace {

constexpr int kPauseMs = 10;    // after a page select, and after every byte written
constexpr int kCheckEvery = 16; // bytes written between two looks at the window

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
      job_(std::move(job))
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
    CancelRequested_ = true;
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
    return CancelRequested_;
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

TFormReadWriteEEPROM::Step TFormReadWriteEEPROM::readPages(const std::vector<int>& pages,
                                                           std::vector<std::uint8_t>& bytes,
                                                           bool asText)
{
    ReadWriteProgressBar_->show();
    bytes.resize(static_cast<std::size_t>(job_.area.bytes()));
    for (const int page : pages) {
        ReadWriteProgressBar_->setValue(page);
        showProgress(PageProgressText(job_.area, page, 0));
        if (!indicator_.selectPage(page))
            return Step::LinkFailed;
        if (cancelRequestedNow())
            return Step::Cancelled;
        indicator_.clock().sleepMs(kPauseMs);
        std::array<std::uint8_t, MEM_PAGE_SIZE> pageBytes{};
        if (!indicator_.readPage(pageBytes))
            return Step::LinkFailed;
        const std::uint8_t* data = pageBytes.data();
        std::copy(data, data + MEM_PAGE_SIZE,
                  bytes.begin() + static_cast<long>(page - job_.area.firstPage) * MEM_PAGE_SIZE);
        if (asText)
            MemoEEPROMMemory_ << FormatImagePage(data);
    }
    return Step::Done;
}

TFormReadWriteEEPROM::Step TFormReadWriteEEPROM::readArea()
{
    MemoEEPROMMemory_.clear();
    return readPages(areaPages(), areaBytes_, true);
}

std::vector<int> TFormReadWriteEEPROM::areaPages() const
{
    std::vector<int> pages;
    for (int page = job_.area.firstPage; page < job_.area.endPage; ++page)
        pages.push_back(page);
    return pages;
}

void TFormReadWriteEEPROM::runRead()
{
    switch (readArea()) {
    case Step::LinkFailed:
        message(PopupMessage{TFormMessage::defaultText()});
        clearFileName();
        finish(Outcome::LinkFailed);
        return;
    case Step::Cancelled:
        finish(Outcome::Cancelled);
        return;
    case Step::Done:
        break;
    }
    const QString target = job_.fileName ? *job_.fileName : QString();
    if (const QString why = SaveImageFile(target, MemoEEPROMMemory_); !why.isEmpty()) {
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
    if (!image || !takeBackup())
        return;
    // A Cancel pressed while the backup's last page was read or while the file was stored has
    // not been looked at yet. Nothing has been written so far: the write must not begin, or
    // the indicator would keep a changed byte and no end-of-write command.
    if (cancelRequestedNow()) {
        finish(Outcome::Cancelled);
        return;
    }
    const MemoryArea& area = job_.area;
    acked_.assign(static_cast<std::size_t>(area.bytes()), false);
    const std::vector<ByteDiff> toWrite =
        BytesToWrite(area, image->bytes, areaBytes_, job_.writeAllBytes);
    if (toWrite.empty()) {
        // The backup just read is the area as it stands: it equals the image, which is all a
        // read-back could show, so no byte goes out. The end of a write still does: an earlier
        // write of this image may have sent every byte and missed its end, and only this
        // command makes the indicator take the content into use.
        ReadWriteProgressBar_->setValue(ReadWriteProgressBar_->maximum());
        endWrite(WriteEnd::NothingToWrite, Outcome::Completed);
        return;
    }
    if (!writeOrEnd(toWrite))
        return;

    // From here every byte of the image has been acknowledged, so however the rest goes the
    // write ends with the end-of-write command (endWrite sends it). The bytes are in the
    // indicator's memory as soon as each write is acknowledged, so they are read back first:
    // the indicator then takes into use the content that was checked, rewrites included.
    std::vector<int> pages = areaPages();
    std::vector<ByteDiff> left;
    for (int pass = 0; pass < 2; ++pass) {
        if (!verifiedOrEnd(verifyPages(pages, image->bytes, left)))
            return;
        if (left.empty() || pass == 1)
            break;
        // What did not take is written once more, and only its pages are read again. A
        // rewrite cut short ends like a read-back cut short: every byte went out once.
        if (!verifiedOrEnd(writeBytes(left)))
            return;
        pages = PagesOf(left);
    }
    laReadWriteEEPROM_->setText(WriteCaption(area));
    showProgress(WriteFinishedText(area));
    ReadWriteProgressBar_->setValue(ReadWriteProgressBar_->maximum());
    // Sent even when bytes still differ: they have been written like the others, and the
    // message names them and the backup.
    const bool verified = left.empty();
    endWrite(WriteEnd::Completed, verified ? Outcome::Completed : Outcome::NotVerified,
             std::move(left));
}

bool TFormReadWriteEEPROM::writeOrEnd(const std::vector<ByteDiff>& bytes)
{
    // Not every byte has gone out: no end-of-write command, or the indicator would take a
    // half-written image into use. The next write of the file sends what is missing.
    switch (writeBytes(bytes)) {
    case Step::LinkFailed:
        endWrite(WriteEnd::LinkFailed, Outcome::LinkFailed);
        return false;
    case Step::Cancelled:
        endWrite(WriteEnd::Cancelled, Outcome::Cancelled);
        return false;
    case Step::Done:
        break;
    }
    return true;
}

bool TFormReadWriteEEPROM::verifiedOrEnd(Step step)
{
    switch (step) {
    case Step::LinkFailed:
        endWrite(WriteEnd::VerifyLinkFailed, Outcome::LinkFailed);
        return false;
    case Step::Cancelled:
        endWrite(WriteEnd::VerifyCancelled, Outcome::Cancelled);
        return false;
    case Step::Done:
        break;
    }
    return true;
}

bool TFormReadWriteEEPROM::sendWriteDone()
{
    // Tried whatever went wrong just before: a read-back that failed on the link may have met
    // a passing disturbance, and a command never sent leaves the indicator without the new
    // content in use.
    return indicator_.endWrite();
}

void TFormReadWriteEEPROM::endWrite(WriteEnd end, Outcome outcome, std::vector<ByteDiff> left)
{
    WriteSummary summary{end, written_, std::move(left)};
    summary.rewritten = rewritten_;
    if (WriteEndsWithCommand(end) && !sendWriteDone()) {
        summary.writeDoneLost = true;
        if (outcome == Outcome::Completed || outcome == Outcome::NotVerified)
            outcome = Outcome::LinkFailed;
    }
    message(WriteEndMessage(summary, job_.area, backupPath_));
    finish(outcome);
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

bool TFormReadWriteEEPROM::takeBackup()
{
    laReadWriteEEPROM_->setText(ReadCaption(job_.area));
    switch (readArea()) {
    case Step::LinkFailed:
        message(BackupNotReadMessage());
        finish(Outcome::LinkFailed);
        return false;
    case Step::Cancelled:
        finish(Outcome::Cancelled);
        return false;
    case Step::Done:
        break;
    }
    QString path;
    if (const QString why = StoreBackup(job_.backupFolder, job_.area, MemoEEPROMMemory_,
                                        QDateTime::currentDateTime(), path);
        !why.isEmpty()) {
        message(BackupNotSavedMessage(path, why));
        finish(Outcome::NotSaved);
        return false;
    }
    backupPath_ = path;
    return true;
}

TFormReadWriteEEPROM::Step TFormReadWriteEEPROM::writeBytes(const std::vector<ByteDiff>& bytes)
{
    const MemoryArea& area = job_.area;
    laZagruzka_->clear();
    laReadWriteEEPROM_->setText(WriteCaption(area));
    paReadWriteEEPROM_->repaint();
    WriteSubProgressBar_->setValue(0);
    WriteSubProgressBar_->show();

    auto next = bytes.begin(); // in page and offset order
    for (int page = area.firstPage; page < area.endPage; ++page) {
        ReadWriteProgressBar_->setValue(page);
        showProgress(PageProgressText(area, page, 0));
        if (next == bytes.end() || next->page != page)
            continue; // nothing to change here: not even a page select
        if (!indicator_.selectPage(page))
            return Step::LinkFailed;
        indicator_.clock().sleepMs(kPauseMs);
        // The window is looked at on the first byte of a page and every 16 bytes after it:
        // for a whole page, at the offsets that are multiples of 16.
        for (int sent = 0; next != bytes.end() && next->page == page; ++next, ++sent) {
            WriteSubProgressBar_->setValue(next->offset);
            if (!indicator_.writeMemoryByte(static_cast<std::uint8_t>(next->offset), next->wanted))
                return Step::LinkFailed;
            countAcknowledged(*next);
            if (sent % kCheckEvery == 0) {
                const bool cancel = cancelRequestedNow();
                showProgress(PageProgressText(area, page, next->offset));
                // After the last byte there is nothing left to stop: the read-back that
                // follows sees the Cancel at its first page, and the write is ended.
                if (cancel && std::next(next) != bytes.end())
                    return Step::Cancelled;
            }
            indicator_.clock().sleepMs(kPauseMs);
        }
    }
    return Step::Done;
}

void TFormReadWriteEEPROM::countAcknowledged(const ByteDiff& byte)
{
    const auto at = static_cast<std::size_t>(byte.page - job_.area.firstPage) * MEM_PAGE_SIZE +
                    static_cast<std::size_t>(byte.offset);
    if (at < acked_.size() && acked_[at]) {
        ++rewritten_;
        return;
    }
    if (at < acked_.size())
        acked_[at] = true;
    ++written_;
}

TFormReadWriteEEPROM::Step TFormReadWriteEEPROM::verifyPages(const std::vector<int>& pages,
                                                             const std::vector<std::uint8_t>& image,
                                                             std::vector<ByteDiff>& left)
{
    laZagruzka_->clear();
    laReadWriteEEPROM_->setText(VerifyCaption());
    WriteSubProgressBar_->setValue(0);
    paReadWriteEEPROM_->repaint();
    std::vector<std::uint8_t> readBack = image;
    const Step step = readPages(pages, readBack, false);
    left = step == Step::Done ? Mismatches(job_.area, pages, image, readBack)
                              : std::vector<ByteDiff>{};
    return step;
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
