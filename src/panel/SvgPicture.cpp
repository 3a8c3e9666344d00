#include "panel/SvgPicture.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace korvel {

SvgPicture::SvgPicture(const QString& name, const QRect& geometry, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setGeometry(geometry);
}

void SvgPicture::setPicture(const QString& path)
{
    if (path == path_)
        return;
    path_ = path;
    render();
    update();
}

void SvgPicture::render()
{
    pixmap_ = QPixmap();
    if (path_.isEmpty() || !QFile::exists(path_) || size().isEmpty())
        return;
    QSvgRenderer svg(path_);
    if (!svg.isValid())
        return;
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(size() * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size())));
    p.end();
    pixmap_ = pm;
}

void SvgPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!pixmap_.isNull())
        p.drawPixmap(0, 0, pixmap_);
    else if (fallback_.isValid())
        p.fillRect(rect(), fallback_);
}

void SvgPicture::resizeEvent(QResizeEvent*)
{
    render();
}

void SvgPicture::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event);
    QWidget::mousePressEvent(event);
}

} // namespace korvel
