#pragma once
#include <QPixmap>
#include <QWidget>

namespace korvel {

// A picture control: shows one piece of the compiled-in artwork, drawn once at the
// control's size and device pixel ratio so that it stays crisp. A picture that is missing
// from the resources leaves the control empty (or filled with the fallback colour) instead
// of failing. It takes SVG or a raster picture (PNG); a build without Qt Svg has the artwork
// rendered to PNG at 1x and 2x, and an SVG path then shows the rendering beside it.
class SvgPicture : public QWidget
{
    Q_OBJECT
public:
    SvgPicture(const QString& name, const QRect& geometry, QWidget* parent);

    // Resource path such as ":/art/faces/simple.svg" or a PNG; an empty path clears the picture.
    // Setting the same picture again changes nothing.
    void setPicture(const QString& path);
    QString picture() const { return path_; }
    // True when the current picture was found and drawn.
    bool hasPicture() const { return !pixmap_.isNull(); }

    // Painted where no picture is available; invalid (the default) paints nothing.
    void setFallbackColor(const QColor& c) { fallback_ = c; }

signals:
    void mousePressed(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void render();

    QString path_;
    QPixmap pixmap_;
    QColor fallback_;
};

// The rendering of an SVG picture that a build without Qt Svg carries instead of it:
// "x.svg" gives "x.png", or "x@2x.png" for a screen with more than one pixel per point.
// Any other path is returned as it is.
QString RasterArtPath(const QString& path, qreal devicePixelRatio);

// The file to load for a picture of the artwork on this build (the SVG where it can be drawn).
QString ArtFileForThisBuild(const QString& path, qreal devicePixelRatio);

} // namespace korvel
