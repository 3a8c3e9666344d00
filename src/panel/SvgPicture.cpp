#include "panel/SvgPicture.h"

#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#ifdef KORVEL_HAVE_SVG
#include <QSvgRenderer>
#endif

namespace korvel {

namespace {

bool isSvg(const QString& path)
{
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

// Draws the picture stretched over `area`; false when it is missing or unreadable.
bool drawPicture(QPainter& painter, const QString& path, const QRectF& area, qreal dpr)
{
    const QString file = ArtFileForThisBuild(path, dpr);
    if (!QFile::exists(file))
        return false;
#ifdef KORVEL_HAVE_SVG
    if (isSvg(file)) {
        QSvgRenderer svg(file);
        if (!svg.isValid())
            return false;
        svg.render(&painter, area);
        return true;
    }
#endif
    const QImage image(file);
    if (image.isNull())
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, image);
    return true;
}

} // namespace

QString RasterArtPath(const QString& path, qreal devicePixelRatio)
{
    if (!isSvg(path))
        return path;
    const QString stem = path.left(path.size() - 4);
    return stem + (devicePixelRatio > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

QString ArtFileForThisBuild(const QString& path, qreal devicePixelRatio)
{
#ifdef KORVEL_HAVE_SVG
    Q_UNUSED(devicePixelRatio);
    return path;
#else
    return RasterArtPath(path, devicePixelRatio);
#endif
}

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
    if (path_.isEmpty() || size().isEmpty())
        return;
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(size() * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const bool drawn = drawPicture(p, path_, QRectF(QPointF(0, 0), QSizeF(size())), dpr);
    p.end();
    if (drawn)
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
