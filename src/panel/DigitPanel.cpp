#include "panel/DigitPanel.h"

#include "panel/PanelStyle.h"

#include <QMouseEvent>

namespace korvel {

int PointsToPixels(int pt)
{
    return (pt * 96 + 36) / 72;
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

void DigitPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace korvel
