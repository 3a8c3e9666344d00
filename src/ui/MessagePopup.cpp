#include "MessagePopup.h"

#include "ButtonArt.h"
#include "SkinnedWindow.h"
#include "UiFonts.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace korvel {

namespace {
const QColor kMaroon(128, 0, 0);
} // namespace

QString TFormMessage::defaultText()
{
    return QStringLiteral("Ошибка связи с прибором !");
}

TFormMessage::Geometry TFormMessage::geometryFor(int growW, int growOkX, int growH)
{
    Geometry g;
    g.size = QSize(kDesignSize.width() + growW, kDesignSize.height() + growH);
    // The label fills the panel below its 21-pixel top strip, inside the
    // one-pixel bevel.
    g.label = QRect(1, 21, g.size.width() - 2, 81 + growH);
    g.okButton = QRect(64 + growOkX, 56 + growH, 75, 25);
    return g;
}

int TFormMessage::growthToFit(const QString& text, int growW)
{
    constexpr int kMargin = 8;
    const QFontMetrics metrics(SansFont(13));
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int needed = widest + 2 * kMargin - geometryFor(0, 0, 0).label.width();
    if (needed <= growW)
        return growW;
    return needed + needed % 2; // OK moves by half of it, so keep it even
}

TFormMessage::TFormMessage(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setupUi();
    skin_ = new SkinnedWindow(this, SkinProfile::messagePopup());
    skin_->setFocusSink(ButtonPusto_);
    skin_->addDragSource(paMessage_);
    skin_->addDragSource(laMessage_);
    connect(BitBtnOK_, &QPushButton::clicked, this, &QWidget::close);
    setMessage(defaultText());
}

void TFormMessage::setupUi()
{
    setObjectName(QStringLiteral("FormMessage"));

    paMessage_ = new QFrame(this);
    paMessage_->setObjectName(QStringLiteral("paMessage"));
    paMessage_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    paMessage_->setLineWidth(1);
    paMessage_->setAutoFillBackground(true);
    QPalette panel = paMessage_->palette();
    panel.setColor(QPalette::Window, kMaroon);
    panel.setColor(QPalette::Light, QColor(255, 255, 255));
    panel.setColor(QPalette::Dark, QColor(64, 0, 0));
    paMessage_->setPalette(panel);

    laMessage_ = new QLabel(paMessage_);
    laMessage_->setObjectName(QStringLiteral("laMessage"));
    laMessage_->setTextFormat(Qt::PlainText); // texts carry port names, never markup
    laMessage_->setWordWrap(false);
    laMessage_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    laMessage_->setFont(SansFont(13));
    QPalette text = laMessage_->palette();
    text.setColor(QPalette::WindowText, Qt::white);
    laMessage_->setPalette(text);

    BitBtnOK_ = new QPushButton(QStringLiteral("OK"), paMessage_);
    BitBtnOK_->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK_->setIcon(OkGlyph());
    BitBtnOK_->setFont(SansFont(13));
    // Not default, not auto-default: Enter must not press it.
    BitBtnOK_->setAutoDefault(false);
    BitBtnOK_->setDefault(false);

    ButtonPusto_ = SkinnedWindow::makeFocusSink(paMessage_);
}

void TFormMessage::setMessage(const QString& text, int growW, int growOkX, int growH)
{
    laMessage_->setText(text);
    const Geometry g = geometryFor(growW, growOkX, growH);
    setFixedSize(g.size);
    paMessage_->setGeometry(QRect(QPoint(0, 0), g.size));
    laMessage_->setGeometry(g.label);
    BitBtnOK_->setGeometry(g.okButton);
}

QTimer* TFormMessage::TimerViewMessage() const
{
    return skin_->revealTimer();
}

void TFormMessage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event); // may centre the dialog; the placement below wins
    skin_->startReveal();
    skin_->placeOverMainWindow();
    skin_->takeFocus();
}

void TFormMessage::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept(); // the keyboard does not dismiss the popup
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ShowFormMessage(const QString& text, int growW, int growOkX, int growH, QWidget* owner)
{
    // Owned by the main window (or the given owner) while up, so it stays above it; guarded,
    // since the owner could go away while the popup's loop runs.
    QPointer<TFormMessage> form = new TFormMessage(owner ? owner : SkinnedWindow::mainWindow());
    form->setMessage(text, growW, growOkX, growH);
    form->exec();
    delete form.data();
}

PopupMessage FittedMessage(const QString& text)
{
    constexpr int kLineHeight = 15; // the popup's 13-pixel font
    PopupMessage m;
    m.text = text;
    m.extraWidth = TFormMessage::growthToFit(text, 0);
    m.okShift = m.extraWidth / 2;
    // The text starts at the label's top; OK sits 35 pixels below it at design size.
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    m.extraHeight = std::max(0, kLineHeight * lines - 28);
    return m;
}

} // namespace korvel
