#include "ButtonArt.h"

#include <QPainter>
#include <QPainterPath>

namespace korvel {

namespace {

enum class Look { Normal, Hover, Pressed };

QPixmap drawButton(QSize size, Look look, bool close)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QColor face;
    switch (look) {
    case Look::Normal:
        face = QColor(64, 64, 72);
        break;
    case Look::Hover:
        face = close ? QColor(200, 40, 40) : QColor(96, 96, 110);
        break;
    case Look::Pressed:
        face = close ? QColor(130, 20, 20) : QColor(40, 40, 48);
        break;
    }
    // Hangs from the window's top edge: rounded at the bottom only.
    QPainterPath shape;
    const QRectF r(0.5, -6.0, size.width() - 1.0, size.height() + 5.5);
    shape.addRoundedRect(r, 5, 5);
    p.fillPath(shape, face);
    p.setPen(QPen(QColor(20, 20, 24), 1));
    p.drawPath(shape);

    const int shift = look == Look::Pressed ? 1 : 0;
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(size.width() / 2.0 + shift, size.height() / 2.0 + shift);
    if (close) {
        p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
        p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
    } else {
        p.drawLine(c + QPointF(-5, 4), c + QPointF(5, 4));
    }
    return pixmap;
}

ButtonPictures drawSet(QSize size, bool close)
{
    // A picture says nothing to a screen reader: the button's role goes with its art.
    return {drawButton(size, Look::Normal, close), drawButton(size, Look::Hover, close),
            drawButton(size, Look::Pressed, close),
            close ? QStringLiteral("Закрыть") : QStringLiteral("Свернуть")};
}

} // namespace

ButtonPictures CloseButtonPictures()
{
    return drawSet(QSize(46, 20), true);
}

ButtonPictures MinimizeButtonPictures()
{
    return drawSet(QSize(28, 20), false);
}

QIcon OkGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tick[] = {{3, 8.5}, {6.5, 12}, {13, 4}};
    p.drawPolyline(tick, 3);
    return QIcon(pixmap);
}

} // namespace korvel
