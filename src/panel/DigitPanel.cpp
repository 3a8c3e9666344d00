#include "panel/DigitPanel.h"

#include "panel/PanelStyle.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvel {

namespace {
// Courier New's line box (ascent and descent over its 2048 units per em). The digit positions
// were laid out for it; the stand-in faces differ most in exactly these figures (Nimbus Mono
// PS's line is a quarter taller), and centring by the stand-in's own line would push every
// caption down onto the decimal points.
constexpr qreal kCourierAscent = 1705.0 / 2048;
constexpr qreal kCourierDescent = 615.0 / 2048;
} // namespace

int PointsToPixels(int pt)
{
    return (pt * 96 + 36) / 72;
}

int DigitPanel::captionBaseline(int pixelSize, int panelHeight)
{
    const qreal line = (kCourierAscent + kCourierDescent) * pixelSize;
    return qRound((panelHeight - line) / 2 + kCourierAscent * pixelSize);
}

DigitPanel::DigitPanel(const QString& name, const QRect& geometry, int fontPt, QWidget* parent)
    : QLabel(parent)
{
    setObjectName(name);
    setGeometry(geometry);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, PanelStyle::digitBackground());
    pal.setColor(QPalette::WindowText, PanelStyle::segmentGreen());
    setPalette(pal);
    setText(QStringLiteral(" "));
    setFontSize(fontPt);
}

void DigitPanel::setCaption(const QString& caption)
{
    if (text() != caption)
        setText(caption);
}

void DigitPanel::setFontSize(int pt)
{
    if (pt == fontPt_)
        return;
    fontPt_ = pt;
    setFont(PanelStyle::digitFont(PointsToPixels(pt)));
}

void DigitPanel::paintEvent(QPaintEvent* /*event*/)
{
    // The background is filled by the widget itself (autoFillBackground).
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QString caption = text();
    const int left = captionLeft(QFontMetrics(font()).horizontalAdvance(caption), width());
    painter.drawText(QPoint(left, captionBaseline(font().pixelSize(), height())), caption);
}

void DigitPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace korvel
