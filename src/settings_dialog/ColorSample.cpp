#include "settings_dialog/ColorSample.h"

#include <QPainter>

namespace korvel {

ColorSample::ColorSample(const QString& name, const QString& hint, QWidget* parent)
    : QAbstractButton(parent)
{
    setObjectName(name);
    setToolTip(hint);
    setAccessibleName(hint);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

QColor ColorSample::toQColor(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

std::uint32_t ColorSample::fromQColor(const QColor& c)
{
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
           (std::uint32_t(c.blue()) << 16);
}

void ColorSample::setColorValue(std::uint32_t bgr)
{
    value_ = bgr;
    update();
}

QColor ColorSample::color() const
{
    return toQColor(value_);
}

void ColorSample::setColor(const QColor& c)
{
    setColorValue(fromQColor(c));
}

void ColorSample::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A sunken swatch: dark line top and left, light line bottom and right.
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, color());
    p.setPen(QColor(20, 20, 20));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(120, 120, 120));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace korvel
