#include "panel/PointShape.h"

#include "panel/PanelStyle.h"

#include <QPainter>

namespace korvel {

PointShape::PointShape(const QString& name, const QRect& geometry, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setGeometry(geometry);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void PointShape::setLit(bool on)
{
    if (lit() != on)
        setVisible(on);
}

void PointShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(PanelStyle::digitBackground(), 1));
    p.setBrush(PanelStyle::segmentGreen());
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace korvel
