#pragma once
#include <QPixmap>
#include <QWidget>

namespace korvel {

// A picture control: shows one piece of the compiled-in artwork, drawn once at the
// control's size and device pixel ratio so that it stays crisp. A picture that is missing
// from the resources leaves the control empty (or filled with the fallback colour) instead
// of failing.
class SvgPicture : public QWidget
{
    Q_OBJECT
public:
    SvgPicture(const QString& name, const QRect& geometry, QWidget* parent);

    // Resource path such as ":/art/faces/simple.svg"; an empty path clears the picture.
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

} // namespace korvel
